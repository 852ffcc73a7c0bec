// Reader and writer of Windows bitmap files (BITMAPFILEHEADER, BITMAPCOREHEADER,
// BITMAPINFOHEADER and its longer versions). The reader checks the remaining length before
// every read and validates sizes before anything is allocated; a file it cannot take whole
// ends in false with the error text set and an empty picture.
#include <algorithm>
#include <cstring>
#include <utility>

#include "host/file_access.h"
#include "imaging/ximage.h"

namespace {

constexpr const char* kNotBmp = "Not a BMP";
constexpr const char* kBadInfo = "Error reading BMP info";
constexpr const char* kRleNotSupported = "compression type not supported";
constexpr const char* kUnknownCompression = "unknown compression";
constexpr const char* kBadDepth = "BMP: unsupported bit count";
constexpr const char* kShortPalette = "BMP: truncated palette";
constexpr const char* kBadOffset = "BMP: pixel offset beyond the end of the file";
constexpr const char* kShortPixels = "BMP: truncated pixel data";

constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kCoreHeaderSize = 12;
constexpr DWORD kInfoHeaderSize = 40;
constexpr WORD kBmpType = 0x4D42;  // "BM"

// The largest file worth reading: a 32-bit file whose picture fills the container's limit,
// with room for headers and a palette.
constexpr std::size_t kMaxFileBytes = CXIMAGE_MAX_MEMORY / 3 * 4 + 65536;

class Cursor {
  public:
    Cursor(const BYTE* data, std::size_t size) : m_data(data), m_size(data ? size : 0) {}
    std::size_t Left() const { return m_size - m_pos; }
    std::size_t Position() const { return m_pos; }
    bool Has(unsigned long long n) const { return n <= Left(); }
    bool Skip(unsigned long long n) {
        if (!Has(n))
            return false;
        m_pos += static_cast<std::size_t>(n);
        return true;
    }
    bool Seek(std::size_t pos) {
        if (pos > m_size)
            return false;
        m_pos = pos;
        return true;
    }
    const BYTE* Here() const { return m_data + m_pos; }
    // The readers below expect Has() to have been checked.
    BYTE U8() { return m_data[m_pos++]; }
    WORD U16() {
        const WORD v = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    DWORD U32() {
        const DWORD v = static_cast<DWORD>(m_data[m_pos]) |
                        (static_cast<DWORD>(m_data[m_pos + 1]) << 8) |
                        (static_cast<DWORD>(m_data[m_pos + 2]) << 16) |
                        (static_cast<DWORD>(m_data[m_pos + 3]) << 24);
        m_pos += 4;
        return v;
    }
    LONG I32() { return static_cast<LONG>(U32()); }

  private:
    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

int BitsSet(DWORD mask) {
    int n = 0;
    for (; mask; mask &= mask - 1)
        ++n;
    return n;
}

// Shift left by n, right for a negative n; counts of 64 and more give 0.
unsigned long long ShiftBy(unsigned long long v, int n) {
    if (n >= 64 || n <= -64)
        return 0;
    return n >= 0 ? v << n : v >> -n;
}

// Index of the pixel byte a 32-bit mask selects: how many of its shifts by 8, 16, 24 stay set.
int MaskByte(DWORD mask) {
    return (mask >> 8 ? 1 : 0) + (mask >> 16 ? 1 : 0) + (mask >> 24 ? 1 : 0);
}

unsigned long long FileStride(unsigned long long width, unsigned bits) {
    return (width * bits + 31) / 32 * 4;
}

// Bytes the rows need: every row's stride, the last row without its filler.
unsigned long long RowsBytes(unsigned long long stride, unsigned long long rowBytes,
                             unsigned long long height) {
    return stride * (height - 1) + rowBytes;
}

}  // namespace

class BmpReader {
  public:
    BmpReader(const BYTE* data, std::size_t size) : m_in(data, size) {}

    // Fills img; the error text when it fails (empty: img's own text). Everything the file
    // states is checked against its length before the picture is allocated.
    const char* Read(CxImage& img) {
        if (const char* e = ReadHeaders())
            return e;
        if (const char* e = CheckCompression())
            return e;
        if (const char* e = ReadPalette())
            return e;
        if (m_offBits && !m_in.Seek(m_offBits))
            return kBadOffset;
        if (const char* e = CheckPixelBytes())
            return e;
        if (!img.Create(static_cast<DWORD>(m_width), static_cast<DWORD>(m_height), m_bits))
            return "";
        img.SetResolution(Dpi(m_xPels), Dpi(m_yPels));
        if (img.PaletteSize())
            std::memcpy(img.Palette(), m_palette, 4 * img.PaletteSize());
        if (const char* e = ReadPixels(img))
            return e;
        if (m_topDown)
            FlipRows(img);
        return nullptr;
    }

  private:
    static LONG Dpi(LONG pelsPerMeter) {
        const double dpi = pelsPerMeter * 254.0 / 10000.0 + 0.5;
        return dpi < 1.0 || dpi > 1e6 ? 0 : static_cast<LONG>(dpi);
    }

    const char* ReadHeaders() {
        const std::size_t start = m_in.Position();
        if (!m_in.Has(kFileHeaderSize))
            return kNotBmp;
        if (m_in.U16() == kBmpType) {
            m_in.Skip(8);  // size and reserved words
            m_offBits = m_in.U32();
        } else {
            // No file header: the info header starts the stream and the pixels follow the
            // palette.
            m_in.Seek(start);
            m_offBits = 0;
        }
        return ReadInfo();
    }

    const char* ReadInfo() {
        const std::size_t infoStart = m_in.Position();
        if (!m_in.Has(4))
            return kBadInfo;
        m_headerSize = m_in.U32();
        if (m_headerSize == kCoreHeaderSize) {
            if (!m_in.Has(kCoreHeaderSize - 4))
                return kBadInfo;
            m_core = true;
            m_width = m_in.U16();
            m_height = m_in.U16();
            m_in.U16();  // planes
            m_bits = m_in.U16();
            return CheckInfo();
        }
        if (m_headerSize < kInfoHeaderSize || !m_in.Has(kInfoHeaderSize - 4))
            return kBadInfo;
        m_width = m_in.I32();
        m_height = m_in.I32();
        const WORD planes = m_in.U16();
        m_bits = m_in.U16();
        m_compression = m_in.U32();
        DWORD sizeImage = m_in.U32();
        m_xPels = m_in.I32();
        m_yPels = m_in.I32();
        m_clrUsed = m_in.U32();
        m_in.U32();  // important colours
        if (const char* e = CheckInfo())
            return e;
        const bool known = m_headerSize == kInfoHeaderSize || m_headerSize == 64 ||
                           m_headerSize == 108 || m_headerSize == 124;
        if (!known) {
            // A header of unknown length is only trusted when its sizes agree.
            if (!sizeImage)
                sizeImage = static_cast<DWORD>(std::min<unsigned long long>(
                    0xFFFFFFFFull, FileStride(m_width, m_bits) * m_height));
            if (sizeImage < FileStride(m_width, m_bits) * m_height || planes != 1 || m_clrUsed) {
                return kBadInfo;
            }
        }
        // The colour masks of a bit-field file follow a 40-byte header; the longer Windows
        // headers (52 bytes and up, not the 64-byte OS/2 one) carry them after its 40 bytes.
        const bool bitFields = m_compression == BI_BITFIELDS && (m_bits == 16 || m_bits == 32);
        const bool masksInHeader = m_headerSize >= 52 && m_headerSize != 64;
        if (bitFields && masksInHeader && !ReadMasks())
            return kBadInfo;
        if (!m_in.Seek(infoStart) || !m_in.Skip(m_headerSize))
            return kBadInfo;
        if (bitFields && !masksInHeader && !ReadMasks())
            return kBadInfo;
        return nullptr;
    }

    bool ReadMasks() {
        if (!m_in.Has(12))
            return false;
        for (DWORD& mask : m_masks)
            mask = m_in.U32();
        return true;
    }

    const char* CheckInfo() {
        if (m_bits != 1 && m_bits != 4 && m_bits != 8 && m_bits != 16 && m_bits != 24 &&
            m_bits != 32) {
            return kBadDepth;
        }
        if (m_height < 0) {
            if (m_height == LONG(0x80000000))
                return kBadInfo;
            m_height = -m_height;
            m_topDown = true;
        }
        if (m_width < 0)
            return kBadInfo;
        return nullptr;
    }

    const char* ReadPalette() {
        const unsigned entrySize = m_core ? 3 : 4;
        unsigned long long count = m_clrUsed;
        if (m_bits <= 8 && !count)
            count = 1ull << m_bits;
        const unsigned room = m_bits <= 8 ? 1u << m_bits : 0u;
        const unsigned copied = static_cast<unsigned>(std::min<unsigned long long>(count, room));
        if (!m_in.Has(static_cast<unsigned long long>(copied) * entrySize))
            return kShortPalette;
        for (unsigned i = 0; i < copied; ++i) {
            const BYTE* e = m_in.Here();
            m_palette[i] = RGBQUAD{e[0], e[1], e[2], 0};
            m_in.Skip(entrySize);
        }
        // Entries past the picture's palette (and the optional table of a colour file) are
        // passed over; the pixel offset, when given, puts the reader where it must be anyway.
        if (!m_in.Skip((count - copied) * entrySize) && !m_offBits)
            return kShortPalette;
        return nullptr;
    }

    // Uncompressed rows must all be there (the last one may lack its filler bytes).
    const char* CheckPixelBytes() const {
        if (m_bits <= 8 && m_compression != BI_RGB)
            return nullptr;  // run-length: read as it goes
        const unsigned long long w = static_cast<DWORD>(m_width), h = static_cast<DWORD>(m_height);
        if (!w || !h)
            return nullptr;  // Create refuses these with its text
        unsigned long long stride = FileStride(w, m_bits), rowBytes = (w * m_bits + 7) / 8;
        if (m_bits == 32)
            stride = rowBytes = 4 * w;
        return m_in.Has(RowsBytes(stride, rowBytes, h)) ? nullptr : kShortPixels;
    }

    const char* CheckCompression() const {
        switch (m_bits) {
            case 1:
            case 4:
            case 8:
                return m_compression == BI_RGB || (m_compression == BI_RLE8 && m_bits == 8) ||
                               (m_compression == BI_RLE4 && m_bits == 4)
                           ? nullptr
                           : kRleNotSupported;
            case 16:
                return nullptr;  // anything but bit fields takes the 5-5-5 masks
            case 24:
                return m_compression == BI_RGB ? nullptr : kUnknownCompression;
            default:
                return m_compression == BI_RGB || m_compression == BI_BITFIELDS
                           ? nullptr
                           : kUnknownCompression;
        }
    }

    const char* ReadPixels(CxImage& img) {
        switch (m_bits) {
            case 1:
            case 4:
            case 8:
                return m_compression == BI_RGB ? ReadPlain(img, m_bits) : ReadRle(img);
            case 16:
                return ReadSixteen(img);
            case 24:
                return ReadPlain(img, 24);
            default:
                return ReadThirtyTwo(img);
        }
    }

    // Rows stored as the container holds them.
    const char* ReadPlain(CxImage& img, unsigned bits) {
        const std::size_t stride = img.Stride();
        const unsigned long long rowBytes =
            (static_cast<unsigned long long>(m_width) * bits + 7) / 8;
        if (!m_in.Has(RowsBytes(stride, rowBytes, m_height)))
            return kShortPixels;
        for (LONG y = 0; y < m_height; ++y) {
            const std::size_t n = y + 1 < m_height ? stride : static_cast<std::size_t>(rowBytes);
            std::memcpy(img.RowPointer(static_cast<DWORD>(y)), m_in.Here() + y * stride, n);
        }
        return nullptr;
    }

    const char* ReadSixteen(CxImage& img) {
        DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
        if (m_compression == BI_BITFIELDS)
            std::copy(m_masks, m_masks + 3, masks);
        const int r = BitsSet(masks[0]), g = BitsSet(masks[1]), b = BitsSet(masks[2]);
        const std::size_t stride = (static_cast<std::size_t>(m_width) + 1) / 2 * 4;
        if (!m_in.Has(RowsBytes(stride, 2ull * m_width, m_height)))
            return kShortPixels;
        for (LONG y = 0; y < m_height; ++y) {
            const BYTE* src = m_in.Here() + y * stride;
            BYTE* dst = img.RowPointer(static_cast<DWORD>(y));
            for (LONG x = 0; x < m_width; ++x) {
                const unsigned long long w =
                    static_cast<unsigned long long>(src[2 * x] | (src[2 * x + 1] << 8));
                dst[3 * x] = static_cast<BYTE>(ShiftBy(w & masks[2], 8 - r));
                dst[3 * x + 1] = static_cast<BYTE>(ShiftBy(w & masks[1], -(r + g - 8)));
                dst[3 * x + 2] = static_cast<BYTE>(ShiftBy(w & masks[0], -(r + g + b - 8)));
            }
        }
        return nullptr;
    }

    const char* ReadThirtyTwo(CxImage& img) {
        DWORD masks[3] = {0xFF0000, 0x00FF00, 0x0000FF};
        if (m_compression == BI_BITFIELDS)
            std::copy(m_masks, m_masks + 3, masks);
        const int red = MaskByte(masks[0]), green = MaskByte(masks[1]), blue = MaskByte(masks[2]);
        const std::size_t stride = static_cast<std::size_t>(m_width) * 4;
        if (!m_in.Has(static_cast<unsigned long long>(stride) * m_height))
            return kShortPixels;
        const bool alpha = m_compression == BI_RGB;
        if (alpha && !img.CreateAlpha())
            return "";
        bool anyAlpha = false;
        for (LONG y = 0; y < m_height; ++y) {
            const BYTE* src = m_in.Here() + y * stride;
            BYTE* dst = img.RowPointer(static_cast<DWORD>(y));
            BYTE* a = alpha ? img.AlphaPointer() + static_cast<std::size_t>(y) * m_width : nullptr;
            for (LONG x = 0; x < m_width; ++x, src += 4) {
                dst[3 * x] = src[blue];
                dst[3 * x + 1] = src[green];
                dst[3 * x + 2] = src[red];
                if (a) {
                    a[x] = src[3];
                    anyAlpha = anyAlpha || src[3];
                }
            }
        }
        // Writers that leave the fourth byte at 0 mean an opaque picture.
        if (alpha && !anyAlpha) {
            std::memset(img.AlphaPointer(), 255, static_cast<std::size_t>(m_width) * m_height);
        }
        return nullptr;
    }

    // Run-length 8 and 4 bits. Positions past a row's end continue into the next rows, as in
    // one run of the whole pixel area; nothing is written past that area.
    const char* ReadRle(CxImage& img) {
        const unsigned bits = m_bits;
        BYTE* area = img.Bits();
        const unsigned long long stride = img.Stride(), height = static_cast<DWORD>(m_height);
        const unsigned long long size = stride * height;
        const unsigned long long rowPixels = stride * 8 / bits;
        unsigned long long x = 0, y = 0;
        auto put = [&](BYTE index) {
            if (y < height) {
                const unsigned long long pixel = y * rowPixels + x;
                if (pixel < size * 8 / bits) {
                    BYTE* p = area + pixel * bits / 8;
                    if (bits == 8) {
                        *p = index;
                    } else if (pixel & 1) {
                        *p = static_cast<BYTE>((*p & 0xF0) | (index & 0x0F));
                    } else {
                        *p = static_cast<BYTE>((*p & 0x0F) | (index << 4));
                    }
                }
            }
            ++x;
        };
        auto past = [&] { return y >= height || y * rowPixels + x >= size * 8 / bits; };
        for (;;) {
            if (!m_in.Has(2))
                return y >= height ? nullptr : kShortPixels;
            const BYTE count = m_in.U8(), value = m_in.U8();
            if (count) {
                if (past()) {
                    x += count;  // nothing left to write: skip without the loop
                    continue;
                }
                for (unsigned i = 0; i < count; ++i) {
                    put(bits == 8 ? value : ((i & 1) ? value & 0x0F : value >> 4));
                }
            } else if (value == 0) {
                x = 0;
                ++y;
            } else if (value == 1) {
                return nullptr;
            } else if (value == 2) {
                if (!m_in.Has(2))
                    return kShortPixels;
                x += m_in.U8();
                y += m_in.U8();
            } else {
                unsigned long long bytes = bits == 8 ? value : (value + 1u) / 2;
                bytes += bytes & 1;  // absolute runs fill a whole number of words
                if (!m_in.Has(bytes))
                    return kShortPixels;
                const BYTE* src = m_in.Here();
                if (past()) {
                    x += value;
                } else {
                    for (unsigned i = 0; i < value; ++i) {
                        put(bits == 8 ? src[i] : ((i & 1) ? src[i / 2] & 0x0F : src[i / 2] >> 4));
                    }
                }
                m_in.Skip(bytes);
            }
        }
    }

    static void FlipRows(CxImage& img) {
        const DWORD h = img.Height();
        const std::size_t stride = img.Stride(), w = img.Width();
        for (DWORD y = 0; y < h / 2; ++y) {
            std::swap_ranges(img.RowPointer(y), img.RowPointer(y) + stride,
                             img.RowPointer(h - 1 - y));
            if (img.HasAlpha()) {
                BYTE* a = img.AlphaPointer();
                std::swap_ranges(a + y * w, a + (y + 1) * w, a + (h - 1 - y) * w);
            }
        }
    }

    Cursor m_in;
    DWORD m_offBits = 0;
    DWORD m_headerSize = 0;
    bool m_core = false;
    LONG m_width = 0, m_height = 0;
    WORD m_bits = 0;
    DWORD m_compression = BI_RGB;
    LONG m_xPels = 0, m_yPels = 0;
    DWORD m_clrUsed = 0;
    DWORD m_masks[3] = {};
    RGBQUAD m_palette[256] = {};
    bool m_topDown = false;
};

bool CxImage::DecodeBmp(const BYTE* data, std::size_t size) {
    CxImage img;
    BmpReader reader(data, size);
    if (const char* error = reader.Read(img)) {
        Destroy();
        SetErrorText(*error ? error : img.LastError());
        return false;
    }
    TakeOver(img);
    return true;
}

bool CxImage::Decode(const BYTE* data, std::size_t size, DWORD type) {
    if (type != CXIMAGE_FORMAT_BMP && type != CXIMAGE_FORMAT_UNKNOWN) {
        SetErrorText("Decode: Unknown or wrong format");
        return false;
    }
    return DecodeBmp(data, size);
}

namespace {

void Put16(std::vector<BYTE>& out, DWORD v) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& out, DWORD v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

bool CxImage::EncodeBmp(std::vector<BYTE>* out) {
    if (!IsValid()) {
        SetErrorText("null image!!!");
        return false;
    }
    if (!out) {
        SetErrorText("null file handler");
        return false;
    }
    BITMAPINFOHEADER head = m_head;
    const bool withAlpha = !PaletteSize() && m_pAlpha;
    if (withAlpha) {
        head.biBitCount = 32;
        head.biCompression = BI_RGB;
        head.biSizeImage = Width() * 4 * Height();
    }
    const DWORD offBits = kFileHeaderSize + kInfoHeaderSize + 4 * PaletteSize();
    out->clear();
    out->reserve(offBits + head.biSizeImage);
    Put16(*out, kBmpType);
    Put32(*out, offBits + head.biSizeImage);
    Put32(*out, 0);
    Put32(*out, offBits);
    Put32(*out, kInfoHeaderSize);
    Put32(*out, static_cast<DWORD>(head.biWidth));
    Put32(*out, static_cast<DWORD>(head.biHeight));
    Put16(*out, 1);
    Put16(*out, head.biBitCount);
    Put32(*out, head.biCompression);
    Put32(*out, head.biSizeImage);
    Put32(*out, static_cast<DWORD>(head.biXPelsPerMeter));
    Put32(*out, static_cast<DWORD>(head.biYPelsPerMeter));
    Put32(*out, head.biClrUsed);
    Put32(*out, head.biClrImportant);
    const BYTE* pal = reinterpret_cast<const BYTE*>(Palette());
    out->insert(out->end(), pal, pal + 4 * PaletteSize());
    if (!withAlpha) {
        out->insert(out->end(), Bits(), Bits() + m_head.biSizeImage);
        return true;
    }
    for (DWORD y = 0; y < Height(); ++y) {
        const BYTE* row = RowPointer(y);
        const BYTE* alpha = m_pAlpha + static_cast<std::size_t>(y) * Width();
        for (DWORD x = 0; x < Width(); ++x) {
            out->insert(out->end(), row + 3 * x, row + 3 * x + 3);
            out->push_back(alpha[x]);
        }
    }
    return true;
}

bool CxImage::LoadBmpFile(const std::u16string& path, bool decodeTwice) {
    std::vector<BYTE> data;
    if (!host::ReadFileBytes(path, kMaxFileBytes, data)) {
        SetErrorText("LoadBmpFile : can't open file");
        return false;
    }
    if (DecodeBmp(data.data(), data.size()))
        return true;
    if (!decodeTwice)
        return false;
    char first[sizeof m_szLastError];
    std::memcpy(first, m_szLastError, sizeof first);
    if (host::ReadFileBytes(path, kMaxFileBytes, data) && DecodeBmp(data.data(), data.size())) {
        return true;
    }
    SetErrorText(first);
    return false;
}

bool CxImage::SaveBmpFile(const std::u16string& path) {
    std::vector<BYTE> data;
    if (!EncodeBmp(&data))
        return false;
    if (!host::WriteFileBytes(path, data.data(), data.size())) {
        SetErrorText("SaveBmpFile : can't write file");
        return false;
    }
    return true;
}
