#include <cstring>

#include "imaging/pixel_ops.h"
#include "imaging/ximage.h"

bool CxImage::ToGray() {
    if (!IsValid())
        return false;
    if (BitCount() == 24)
        return ToGrayFromRgb();

    // Luminances go to a side table rather than into the palette, so a failed conversion
    // leaves the picture as it was.
    BYTE lum[256] = {};
    const RGBQUAD* pal = Palette();
    const DWORD entries = PaletteSize();
    for (DWORD i = 0; i < entries; ++i) {
        lum[i] = Luminance(pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue);
    }
    if (BitCount() != 8)
        return ToGrayFromIndices(lum);

    if (!IsGrayScale()) {
        for (DWORD y = 0; y < Height(); ++y) {
            BYTE* row = RowPointer(y);
            for (DWORD x = 0; x < Width(); ++x)
                row[x] = lum[row[x]];
        }
        FillGrayPalette();
    }
    if (m_nTransIndex >= 0 && static_cast<DWORD>(m_nTransIndex) < entries) {
        m_nTransIndex = lum[m_nTransIndex];
    }
    return true;
}

bool CxImage::ToGrayFromIndices(const BYTE lum[256]) {
    CxImage gray;
    if (!gray.Create(Width(), Height(), 8, m_dwType)) {
        SetErrorText(gray.LastError());
        return false;
    }
    if (m_pAlpha) {
        if (!gray.AllocAlpha(0)) {
            SetErrorText(gray.LastError());
            return false;
        }
        std::memcpy(gray.m_pAlpha, m_pAlpha, static_cast<std::size_t>(Width()) * Height());
    }
    gray.FillGrayPalette();
    for (DWORD y = 0; y < Height(); ++y) {
        BYTE* dst = gray.RowPointer(y);
        for (DWORD x = 0; x < Width(); ++x) {
            dst[x] = lum[GetIndex(static_cast<LONG>(x), static_cast<LONG>(y))];
        }
    }
    gray.m_nTransIndex = m_nTransIndex;
    if (m_nTransIndex >= 0 && static_cast<DWORD>(m_nTransIndex) < PaletteSize()) {
        gray.m_nTransIndex = lum[m_nTransIndex];
    }
    gray.m_transColor = m_transColor;
    gray.m_nAlphaMax = m_nAlphaMax;
    gray.SetResolution(m_xDpi, m_yDpi);
    TakeOver(gray);
    return true;
}

bool CxImage::ToGrayFromRgb() {
    CxImage gray;
    if (!gray.Create(Width(), Height(), 8, m_dwType)) {
        SetErrorText(gray.LastError());
        return false;
    }
    if (m_pAlpha) {
        if (!gray.AllocAlpha(0)) {
            SetErrorText(gray.LastError());
            return false;
        }
        std::memcpy(gray.m_pAlpha, m_pAlpha, static_cast<std::size_t>(Width()) * Height());
    }
    gray.FillGrayPalette();
    for (DWORD y = 0; y < Height(); ++y) {
        const BYTE* src = RowPointer(y);
        BYTE* dst = gray.RowPointer(y);
        for (DWORD x = 0; x < Width(); ++x, src += 3)
            dst[x] = Luminance(src[2], src[1], src[0]);
    }
    gray.m_nTransIndex = m_nTransIndex;
    if (m_nTransIndex >= 0) {
        gray.m_nTransIndex =
            Luminance(m_transColor.rgbRed, m_transColor.rgbGreen, m_transColor.rgbBlue);
    }
    gray.m_transColor = m_transColor;
    gray.m_nAlphaMax = m_nAlphaMax;
    gray.SetResolution(m_xDpi, m_yDpi);
    TakeOver(gray);
    return true;
}

bool CxImage::ApplyLookup(const BYTE table[256]) {
    if (!IsValid())
        return false;
    if (PaletteSize()) {
        const bool gray = IsGrayScale();
        RGBQUAD* pal = Palette();
        for (DWORD i = 0; i < PaletteSize(); ++i) {
            RGBQUAD& e = pal[i];
            const bool black = e.rgbRed == 0 && e.rgbGreen == 0 && e.rgbBlue == 0;
            const bool white = e.rgbRed == 255 && e.rgbGreen == 255 && e.rgbBlue == 255;
            if (black || white)
                continue;
            e.rgbRed = table[e.rgbRed];
            e.rgbGreen = table[e.rgbGreen];
            e.rgbBlue = table[e.rgbBlue];
        }
        // ToGray moves the new levels into the pixels and restores the identity ramp.
        return gray ? ToGray() : true;
    }
    BYTE* p = Bits();
    for (DWORD i = 0; i < m_head.biSizeImage; ++i)
        p[i] = table[p[i]];
    return true;
}

bool CxImage::AdjustBrightnessContrast(LONG brightness, LONG contrast) {
    if (!IsValid())
        return false;
    // Sums in 64 bits: any LONG the settings hold must not overflow before the conversion.
    const float c = static_cast<float>(static_cast<long long>(contrast) + 100) / 100.0f;
    const float b = static_cast<float>(static_cast<long long>(brightness) + 128);
    BYTE table[256];
    for (int i = 0; i < 256; ++i) {
        // Separate statements keep every step in single precision and unfused.
        float x = static_cast<float>(i - 128) * c;
        x = x + b;
        x = x + 0.5f;
        // Out-of-range values are clamped before the conversion, which would overflow.
        if (x >= 256.0f) {
            table[i] = 255;
        } else if (x <= -1.0f) {
            table[i] = 0;
        } else {
            const int v = static_cast<int>(x);
            table[i] = static_cast<BYTE>(v < 0 ? 0 : v);
        }
    }
    return ApplyLookup(table);
}

bool CxImage::ToMonoThreshold(BYTE level) {
    if (!IsValid())
        return false;
    if (BitCount() == 1)
        return true;
    if (!ToGray())
        return false;
    CxImage mono;
    if (!mono.Create(Width(), Height(), 1, m_dwType)) {
        SetErrorText(mono.LastError());
        return false;
    }
    for (DWORD y = 0; y < Height(); ++y) {
        pixel_ops::PackAbove(RowPointer(y), level, Width(), mono.RowPointer(y));
    }
    RGBQUAD* pal = mono.Palette();
    pal[0] = RGBQUAD{0, 0, 0, 0};
    pal[1] = RGBQUAD{255, 255, 255, 0};
    TakeOver(mono);
    return true;
}
