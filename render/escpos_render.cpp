#include "render/escpos_render.h"

#include <cstdint>

#include "host/trace.h"
#include "render/raster_commands.h"

namespace {

const BYTE kJobStart[] = {0x10, 0xFF, 0xFE, 0x01};
const BYTE kInitialize[] = {0x1B, 0x40, 0x00};
const BYTE kJobEnd[] = {0x10, 0xFF, 0xFE, 0x45};
const BYTE kFeedToNextLabel[] = {0x1D, 0x0C};
const BYTE kContinuousEnd[] = {0x10, 0x50};

constexpr BYTE Low(DWORD v) {
    return static_cast<BYTE>(v & 0xFF);
}
constexpr BYTE High(DWORD v) {
    return static_cast<BYTE>((v >> 8) & 0xFF);
}

}  // namespace

void EscPosRender::BeginJob() {
    WriteSpool(kJobStart, sizeof kJobStart);
    WriteSpool(kInitialize, sizeof kInitialize);
    int density = m_device.iDensity;
    const BYTE setDensity[] = {0x10, 0xFF, 0x10, 0x00,
                               static_cast<BYTE>(density >= 0 && density <= 5 ? density : 5)};
    WriteSpool(setDensity, sizeof setDensity);
}

void EscPosRender::EndJob() {
    WriteSpool(kJobEnd, sizeof kJobEnd);
}

void EscPosRender::EncodePage() {
    InvertRaster(m_image);
    const DWORD stride = m_image.Stride();
    const DWORD height = m_image.Height();
    const bool label = m_device.iPaperType == 1 || m_device.iPaperType == 2;
    // A label page shorter than the rows left for the gap sends no rows, like a page of
    // exactly that height, rather than a negative count.
    DWORD rows = height;
    if (label)
        rows = height > kGapRows ? height - kGapRows : 0;
    if (m_device.bDebug) {
        host::TraceF("GS v0: x=%d, y=%d, width=%d, height=%d, bits=0x%X, size=%d", 0, 0,
                     static_cast<int>(stride), static_cast<int>(rows),
                     static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m_image.Bits())),
                     static_cast<int>(stride * rows));
    }
    const BYTE command[] = {0x1D,        0x76,         0x30,      0x00,
                            Low(stride), High(stride), Low(rows), High(rows)};
    WriteSpool(command, sizeof command);
    WriteSpool(m_image.Bits(), static_cast<LONG>(stride * rows));
    if (label) {
        WriteSpool(kFeedToNextLabel, sizeof kFeedToNextLabel);
    } else if (m_device.iPaperType == 0) {
        WriteSpool(kContinuousEnd, sizeof kContinuousEnd);
    }
}

void EscPosRender::WriteSpool(const void* bytes, LONG count) {
    if (count < 0 || !SendToSpool(bytes, static_cast<DWORD>(count)))
        return;
    if (m_device.bDebug)
        Log(SpoolLogEntry(bytes, count, true));
}
