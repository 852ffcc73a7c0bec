#include "render/paperang_render.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "render/raster_commands.h"

namespace {

const BYTE kPageStart[] = {0x05, 0x19, 0x03, 0x00, 0x00};
const BYTE kPageEnd[] = {0x05, 0x1A, 0x03, 0x00, 0x00};
const BYTE kFeedToMark[] = {0x05, 0x21, 0x03, 0x04, 0x00, 0x64, 0x00, 0x00, 0x00};
const BYTE kContinuousEnd[] = {0x05, 0x16, 0x03, 0x02, 0x00, 0x00, 0x00};

constexpr BYTE kFrameStart[] = {0xA5, 0x01};
constexpr BYTE kFrameEnd = 0x5A;
constexpr DWORD kFramingBytes = 9;
constexpr DWORD kRowHeaderBytes = 17;
constexpr DWORD kRowBufferStart = 4096;

// Eight tables, so that the CRC takes eight bytes per step.
using CrcTables = std::array<std::array<DWORD, 256>, 8>;

CrcTables MakeCrcTables() {
    CrcTables t{};
    for (DWORD i = 0; i < 256; ++i) {
        DWORD c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (DWORD i = 0; i < 256; ++i) {
        for (int s = 1; s < 8; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
    return t;
}

const CrcTables& Tables() {
    static const CrcTables tables = MakeCrcTables();
    return tables;
}

void Put16(BYTE* at, DWORD value) {
    at[0] = static_cast<BYTE>(value & 0xFF);
    at[1] = static_cast<BYTE>((value >> 8) & 0xFF);
}

}  // namespace

DWORD PaperangCrc(const BYTE* p, std::size_t n) {
    const CrcTables& t = Tables();
    DWORD c = PaperangRender::kCrcStart;
    for (; n >= 8; n -= 8, p += 8) {
        DWORD lo = c ^ (p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24);
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; n; --n, ++p)
        c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return ~c;
}

PaperangRender::PaperangRender(DWORD outputCeiling) : m_output(outputCeiling) {}

void PaperangRender::Frame(const BYTE* payload, DWORD size) {
    m_frame.Clear();
    m_frame.Reserve(size + kFramingBytes);
    BYTE head[4] = {kFrameStart[0], kFrameStart[1]};
    Put16(head + 2, size);
    m_frame.Append(head, sizeof head);
    m_frame.Append(payload, size);
    DWORD crc = PaperangCrc(payload, size);
    const BYTE tail[5] = {static_cast<BYTE>(crc), static_cast<BYTE>(crc >> 8),
                          static_cast<BYTE>(crc >> 16), static_cast<BYTE>(crc >> 24), kFrameEnd};
    m_frame.Append(tail, sizeof tail);
    WriteSpool(m_frame.Data(), static_cast<LONG>(m_frame.Length()));
}

void PaperangRender::FlushOutput() {
    if (m_output.Length())
        SendToSpool(m_output.Data(), m_output.Length());
    m_output.Clear();
}

// A frame that would take the output past its ceiling first sends what was collected, so
// no frame is lost; pages below the ceiling still reach the spool in one write.
void PaperangRender::WriteSpool(const void* bytes, LONG count) {
    if (count <= 0)
        return;
    DWORD n = static_cast<DWORD>(count);
    if (n > m_output.Ceiling() - m_output.Length())
        FlushOutput();
    if (n > m_output.Ceiling()) {
        SendToSpool(bytes, n);
        return;
    }
    m_output.Append(bytes, n);
}

void PaperangRender::EncodePage() {
    InvertRaster(m_image);
    const DWORD stride = m_image.Stride();
    const DWORD height = m_image.Height();
    const int paperType = m_device.iPaperType;
    const DWORD rowFrame = kRowHeaderBytes + stride + kFramingBytes;

    m_output.Clear();
    std::uint64_t pageBytes = 2 * (sizeof kPageStart + kFramingBytes) +
                              std::uint64_t{height} * rowFrame + sizeof kFeedToMark + kFramingBytes;
    m_output.Reserve(static_cast<DWORD>(std::min<std::uint64_t>(pageBytes, m_output.Ceiling())));
    Frame(kPageStart, sizeof kPageStart);

    m_row.Clear();
    m_row.Reserve(kRowBufferStart);
    for (DWORD r = 0; r < height; ++r) {
        BYTE head[kRowHeaderBytes] = {0x05, 0x1B, 0x03, 0, 0, 0, 0, 0, 0, 0x01};
        Put16(head + 3, 12 + stride);
        Put16(head + 5, r);
        Put16(head + 7, 8 + stride);
        Put16(head + 10, stride);
        Put16(head + 15, stride);
        m_row.Clear();
        m_row.Append(head, sizeof head);
        m_row.Append(m_image.RowPointer(r), stride);
        Frame(m_row.Data(), m_row.Length());
    }

    Frame(kPageEnd, sizeof kPageEnd);
    if (paperType == 1 || paperType == 2) {
        Frame(kFeedToMark, sizeof kFeedToMark);
    } else if (paperType == 0) {
        Frame(kContinuousEnd, sizeof kContinuousEnd);
    }
    FlushOutput();
}
