#include "imaging/ximage.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "imaging/image_alloc.h"

namespace {

ImageAllocFn g_allocator = nullptr;

constexpr DWORD kHeaderSize = sizeof(BITMAPINFOHEADER);

DWORD NormalisedBits(DWORD bits) {
    if (bits <= 1)
        return 1;
    if (bits <= 4)
        return 4;
    if (bits <= 8)
        return 8;
    return 24;
}

LONG PelsPerMeter(LONG dpi) {
    return static_cast<LONG>(std::floor(dpi * 10000.0 / 254.0 + 0.5));
}

bool Inside(const BITMAPINFOHEADER& h, LONG x, LONG y) {
    return x >= 0 && y >= 0 && x < h.biWidth && y < h.biHeight;
}

bool SameRgb(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

}  // namespace

void SetImageAllocator(ImageAllocFn fn) {
    g_allocator = fn;
}

void* ImageAlloc(std::size_t bytes) {
    return g_allocator ? g_allocator(bytes) : std::malloc(bytes);
}

CxImage::CxImage() = default;

CxImage::~CxImage() {
    Destroy();
}

CxImage::CxImage(CxImage&& other) noexcept {
    TakeOver(other);
}

CxImage& CxImage::operator=(CxImage&& other) noexcept {
    TakeOver(other);
    return *this;
}

bool CxImage::Create(DWORD width, DWORD height, DWORD bits, DWORD type) {
    Destroy();
    if (width == 0 || height == 0) {
        SetErrorText("CxImage::Create : width and height must be greater than zero");
        return false;
    }
    bits = NormalisedBits(bits);
    const float area =
        static_cast<float>(width) * static_cast<float>(height) * static_cast<float>(bits) / 8.0f;
    // The header keeps signed sizes, so sizes beyond LONG are refused with the limit too.
    if (area > static_cast<float>(CXIMAGE_MAX_MEMORY) || width > 0x7FFFFFFF ||
        height > 0x7FFFFFFF) {
        SetErrorText("CXIMAGE_MAX_MEMORY exceeded");
        return false;
    }
    const DWORD entries = bits == 24 ? 0 : (1u << bits);
    const unsigned long long stride = (static_cast<unsigned long long>(width) * bits + 31) / 32 * 4;
    const unsigned long long pixels = stride * height;
    const unsigned long long total = kHeaderSize + 4ull * entries + pixels;
    if (total > static_cast<unsigned long long>(SIZE_MAX) ||
        !(m_pDib = static_cast<BYTE*>(ImageAlloc(static_cast<std::size_t>(total))))) {
        m_pDib = nullptr;
        SetErrorText("CxImage::Create can't allocate memory");
        return false;
    }
    // Pixels are cleared too: whatever an operation leaves unwritten must not carry old heap
    // contents onto a printed page or into a file.
    std::memset(m_pDib, 0, static_cast<std::size_t>(total));
    m_dwStride = static_cast<DWORD>(stride);
    m_dwType = type;
    m_head = BITMAPINFOHEADER{};
    m_head.biSize = kHeaderSize;
    m_head.biWidth = static_cast<LONG>(width);
    m_head.biHeight = static_cast<LONG>(height);
    m_head.biPlanes = 1;
    m_head.biBitCount = static_cast<WORD>(bits);
    m_head.biCompression = BI_RGB;
    m_head.biSizeImage = static_cast<DWORD>(pixels);
    m_head.biXPelsPerMeter = PelsPerMeter(m_xDpi);
    m_head.biYPelsPerMeter = PelsPerMeter(m_yDpi);
    m_head.biClrUsed = entries;
    SyncHeader();
    m_bLastValid = false;
    m_grayPalette = -1;
    return true;
}

bool CxImage::CreateFromRows(const BYTE* rows, DWORD width, DWORD height, DWORD bits,
                             DWORD stride) {
    if (!rows) {
        SetErrorText("CxImage::CreateFromRows : null source");
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        SetErrorText("CxImage::CreateFromRows : unsupported depth");
        return false;
    }
    if (!Create(width, height, bits))
        return false;
    if (bits < 24)
        FillGrayPalette();
    if (bits == 32) {
        if (!CreateAlpha())
            return false;
        // A source stride shorter than four bytes a pixel holds fewer pixels; never read past it.
        const DWORD pixels = stride / 4 < width ? stride / 4 : width;
        for (DWORD y = 0; y < height; ++y) {
            const BYTE* src = rows + static_cast<std::size_t>(y) * stride;
            BYTE* dst = RowPointer(y);
            BYTE* alpha = m_pAlpha + static_cast<std::size_t>(y) * width;
            for (DWORD x = 0; x < pixels; ++x) {
                std::memcpy(dst + 3 * x, src + 4 * x, 3);
                alpha[x] = src[4 * x + 3];
            }
        }
        return true;
    }
    const DWORD bytes = stride < m_dwStride ? stride : m_dwStride;
    for (DWORD y = 0; y < height; ++y) {
        std::memcpy(RowPointer(y), rows + static_cast<std::size_t>(y) * stride, bytes);
    }
    return true;
}

void CxImage::Destroy() {
    std::free(m_pDib);
    std::free(m_pAlpha);
    m_pDib = nullptr;
    m_pAlpha = nullptr;
    m_head = BITMAPINFOHEADER{};
    m_dwStride = 0;
    m_bLastValid = false;
    m_grayPalette = -1;
}

bool CxImage::CopyFrom(const CxImage& other) {
    if (&other == this)
        return true;
    BYTE* dib = nullptr;
    BYTE* alpha = nullptr;
    if (other.m_pDib) {
        const std::size_t size =
            kHeaderSize + 4 * other.m_head.biClrUsed + other.m_head.biSizeImage;
        dib = static_cast<BYTE*>(ImageAlloc(size));
        if (!dib) {
            SetErrorText("CxImage::Create can't allocate memory");
            return false;
        }
        std::memcpy(dib, other.m_pDib, size);
        if (other.m_pAlpha) {
            const std::size_t planeSize = static_cast<std::size_t>(other.Width()) * other.Height();
            alpha = static_cast<BYTE*>(ImageAlloc(planeSize));
            if (!alpha) {
                std::free(dib);
                SetErrorText("CxImage::CreateAlpha can't allocate memory");
                return false;
            }
            std::memcpy(alpha, other.m_pAlpha, planeSize);
        }
    }
    Destroy();
    m_pDib = dib;
    m_pAlpha = alpha;
    m_head = other.m_head;
    m_dwStride = other.m_dwStride;
    m_dwType = other.m_dwType;
    m_nTransIndex = other.m_nTransIndex;
    m_transColor = other.m_transColor;
    m_xDpi = other.m_xDpi;
    m_yDpi = other.m_yDpi;
    m_nAlphaMax = other.m_nAlphaMax;
    return true;
}

void CxImage::MoveFrom(CxImage& other) {
    m_pDib = std::exchange(other.m_pDib, nullptr);
    m_pAlpha = std::exchange(other.m_pAlpha, nullptr);
    m_head = std::exchange(other.m_head, BITMAPINFOHEADER{});
    m_dwStride = std::exchange(other.m_dwStride, 0);
    m_dwType = std::exchange(other.m_dwType, 0);
    m_nTransIndex = std::exchange(other.m_nTransIndex, -1);
    m_transColor = std::exchange(other.m_transColor, RGBQUAD{});
    m_xDpi = std::exchange(other.m_xDpi, 96);
    m_yDpi = std::exchange(other.m_yDpi, 96);
    m_nAlphaMax = std::exchange(other.m_nAlphaMax, 255);
    m_nProgress = std::exchange(other.m_nProgress, 0);
    m_bLastValid = false;
    m_grayPalette = -1;
    other.m_bLastValid = false;
    other.m_grayPalette = -1;
}

void CxImage::TakeOver(CxImage& other) {
    if (&other == this)
        return;
    Destroy();
    MoveFrom(other);
}

BYTE* CxImage::Bits() {
    return m_pDib ? m_pDib + kHeaderSize + 4 * m_head.biClrUsed : nullptr;
}

const BYTE* CxImage::Bits() const {
    return m_pDib ? m_pDib + kHeaderSize + 4 * m_head.biClrUsed : nullptr;
}

BYTE* CxImage::RowPointer(DWORD row) {
    if (!m_pDib || row >= Height())
        return nullptr;
    return Bits() + static_cast<std::size_t>(row) * m_dwStride;
}

const BYTE* CxImage::RowPointer(DWORD row) const {
    if (!m_pDib || row >= Height())
        return nullptr;
    return Bits() + static_cast<std::size_t>(row) * m_dwStride;
}

RGBQUAD* CxImage::Palette() {
    // The caller may change entries through this pointer.
    m_bLastValid = false;
    m_grayPalette = -1;
    return m_pDib && m_head.biClrUsed ? reinterpret_cast<RGBQUAD*>(m_pDib + kHeaderSize) : nullptr;
}

const RGBQUAD* CxImage::Palette() const {
    return m_pDib && m_head.biClrUsed ? reinterpret_cast<const RGBQUAD*>(m_pDib + kHeaderSize)
                                      : nullptr;
}

void CxImage::FillGrayPalette() {
    RGBQUAD* pal = Palette();
    const DWORD n = PaletteSize();
    if (!pal || n < 2)
        return;
    const DWORD step = 255 / (n - 1);
    for (DWORD i = 0; i < n; ++i) {
        const BYTE g = static_cast<BYTE>(i * step);
        pal[i] = RGBQUAD{g, g, g, 0};
    }
}

bool CxImage::IsGrayScale() const {
    const RGBQUAD* pal = Palette();
    if (!pal || PaletteSize() != 256)
        return false;
    for (DWORD i = 0; i < 256; ++i) {
        if (pal[i].rgbRed != i || pal[i].rgbGreen != i || pal[i].rgbBlue != i)
            return false;
    }
    return true;
}

void CxImage::SetImportantColors(DWORD count) {
    if (!m_pDib)
        return;
    m_head.biClrImportant = count;
    SyncHeader();
    m_bLastValid = false;
    m_grayPalette = -1;
}

void CxImage::SetResolution(LONG xDpi, LONG yDpi) {
    m_xDpi = xDpi < 1 ? 96 : xDpi;
    m_yDpi = yDpi < 1 ? 96 : yDpi;
    m_head.biXPelsPerMeter = PelsPerMeter(m_xDpi);
    m_head.biYPelsPerMeter = PelsPerMeter(m_yDpi);
    SyncHeader();
}

BYTE CxImage::GetIndex(LONG x, LONG y) const {
    if (!m_pDib)
        return 0;
    if (!Inside(m_head, x, y)) {
        return m_nTransIndex >= 0 ? static_cast<BYTE>(m_nTransIndex) : *Bits();
    }
    const BYTE* row = RowPointer(static_cast<DWORD>(y));
    switch (m_head.biBitCount) {
        case 8:
            return row[x];
        case 4:
            return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        default:
            return 0;
    }
}

void CxImage::SetIndex(LONG x, LONG y, BYTE index) {
    if (!m_pDib || !m_head.biClrUsed || !Inside(m_head, x, y))
        return;
    BYTE* row = RowPointer(static_cast<DWORD>(y));
    switch (m_head.biBitCount) {
        case 8:
            row[x] = index;
            break;
        case 4: {
            const int shift = (x & 1) ? 0 : 4;
            BYTE& b = row[x >> 1];
            b = static_cast<BYTE>((b & ~(0x0F << shift)) | ((index & 0x0F) << shift));
            break;
        }
        case 1: {
            const BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
            BYTE& b = row[x >> 3];
            b = (index & 1) ? (b | mask) : (b & ~mask);
            break;
        }
        default:
            break;
    }
}

RGBQUAD CxImage::GetColor(LONG x, LONG y, bool withAlpha) const {
    RGBQUAD c{};
    if (!m_pDib)
        return c;
    if (!Inside(m_head, x, y)) {
        if (m_nTransIndex < 0)
            return GetColor(0, 0, withAlpha);
        if (!m_head.biClrUsed) {
            c = m_transColor;
        } else if (static_cast<DWORD>(m_nTransIndex) < m_head.biClrUsed) {
            c = Palette()[m_nTransIndex];
        }
        c.rgbReserved = 0;
        return c;
    }
    if (m_head.biClrUsed) {
        c = Palette()[GetIndex(x, y)];
    } else {
        const BYTE* p = RowPointer(static_cast<DWORD>(y)) + 3 * static_cast<std::size_t>(x);
        c = RGBQUAD{p[0], p[1], p[2], 0};
    }
    c.rgbReserved = (withAlpha && m_pAlpha) ? GetAlpha(x, y) : 0;
    return c;
}

void CxImage::SetColor(LONG x, LONG y, RGBQUAD colour, bool setAlpha) {
    if (!m_pDib || !Inside(m_head, x, y))
        return;
    if (m_head.biClrUsed) {
        SetIndex(x, y, NearestIndex(colour));
    } else {
        BYTE* p = RowPointer(static_cast<DWORD>(y)) + 3 * static_cast<std::size_t>(x);
        p[0] = colour.rgbBlue;
        p[1] = colour.rgbGreen;
        p[2] = colour.rgbRed;
    }
    if (setAlpha && m_pAlpha)
        SetAlpha(x, y, colour.rgbReserved);
}

BYTE CxImage::NearestIndex(RGBQUAD colour) const {
    const RGBQUAD* pal = Palette();
    if (!pal)
        return 0;
    if (m_bLastValid && SameRgb(colour, m_lastColor))
        return m_lastIndex;
    DWORD n = m_head.biClrUsed;
    if (m_head.biClrImportant && m_head.biClrImportant < n)
        n = m_head.biClrImportant;
    if (m_grayPalette < 0)
        m_grayPalette = IsGrayScale() ? 1 : 0;
    if (m_grayPalette && n == 256) {
        // On the identity ramp the distance is smallest at the rounded mean of the three
        // channels, and a sum of integers never lies half-way between two thirds: no ties.
        const int sum = colour.rgbRed + colour.rgbGreen + colour.rgbBlue;
        m_bLastValid = true;
        m_lastColor = colour;
        m_lastIndex = static_cast<BYTE>((sum + 1) / 3);
        return m_lastIndex;
    }
    DWORD best = 0;
    long bestDistance = 0x7FFFFFFF;
    for (DWORD i = 0; i < n; ++i) {
        const long dr = pal[i].rgbRed - colour.rgbRed;
        const long dg = pal[i].rgbGreen - colour.rgbGreen;
        const long db = pal[i].rgbBlue - colour.rgbBlue;
        const long distance = dr * dr + dg * dg + db * db;
        if (distance == 0) {
            best = i;
            break;
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    m_bLastValid = true;
    m_lastColor = colour;
    m_lastIndex = static_cast<BYTE>(best);
    return m_lastIndex;
}

bool CxImage::IsTransparent(LONG x, LONG y) const {
    if (!m_pDib)
        return false;
    if (m_nTransIndex >= 0) {
        if (m_head.biClrUsed) {
            if (GetIndex(x, y) == m_nTransIndex)
                return true;
        } else if (SameRgb(GetColor(x, y, false), m_transColor)) {
            return true;
        }
    }
    return m_pAlpha && GetAlpha(x, y) == 0;
}

bool CxImage::AllocAlpha(BYTE fill) {
    if (!m_pDib)
        return false;
    const std::size_t size = static_cast<std::size_t>(Width()) * Height();
    BYTE* plane = static_cast<BYTE*>(ImageAlloc(size));
    if (!plane) {
        SetErrorText("CxImage::CreateAlpha can't allocate memory");
        return false;
    }
    std::memset(plane, fill, size);
    std::free(m_pAlpha);
    m_pAlpha = plane;
    return true;
}

bool CxImage::CreateAlpha() {
    if (m_pAlpha)
        return true;
    return AllocAlpha(255);
}

void CxImage::DeleteAlpha() {
    std::free(m_pAlpha);
    m_pAlpha = nullptr;
}

BYTE CxImage::GetAlpha(LONG x, LONG y) const {
    if (!Inside(m_head, x, y))
        return 0;
    if (!m_pAlpha)
        return 255;
    return m_pAlpha[static_cast<std::size_t>(y) * Width() + static_cast<std::size_t>(x)];
}

void CxImage::SetAlpha(LONG x, LONG y, BYTE value) {
    if (!m_pAlpha || !Inside(m_head, x, y))
        return;
    m_pAlpha[static_cast<std::size_t>(y) * Width() + static_cast<std::size_t>(x)] = value;
}

void CxImage::SetErrorText(const char* text) {
    if (text == m_szLastError)
        return;
    std::strncpy(m_szLastError, text ? text : "", sizeof m_szLastError - 1);
    m_szLastError[sizeof m_szLastError - 1] = '\0';
}

void CxImage::SyncHeader() {
    if (m_pDib)
        std::memcpy(m_pDib, &m_head, kHeaderSize);
}
