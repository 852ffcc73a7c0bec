#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "imaging/ximage.h"

namespace {

constexpr DWORD kBlock = 64;

// Transposes an 8 x 8 bit block: byte j of the input (most significant first) is row j, and
// output byte k holds bit k (most significant first) of every input row, row 0 in bit 7.
inline std::uint64_t Transpose8x8(std::uint64_t x) {
    std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x = x ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x = x ^ t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    return x ^ t ^ (t << 28);
}

}  // namespace

bool CxImage::CreateLike(CxImage& out, DWORD width, DWORD height, BYTE alphaFill) {
    if (!out.Create(width, height, BitCount(), m_dwType)) {
        SetErrorText(out.LastError());
        return false;
    }
    if (PaletteSize())
        std::memcpy(out.Palette(), Palette(), 4 * PaletteSize());
    out.m_head.biClrImportant = m_head.biClrImportant;
    out.SyncHeader();
    if (m_pAlpha && !out.AllocAlpha(alphaFill)) {
        SetErrorText(out.LastError());
        return false;
    }
    out.m_nTransIndex = m_nTransIndex;
    out.m_transColor = m_transColor;
    out.m_nAlphaMax = m_nAlphaMax;
    out.SetResolution(m_xDpi, m_yDpi);
    return true;
}

void CxImage::Deliver(CxImage& result, CxImage* destination) {
    if (destination && destination != this) {
        destination->TakeOver(result);
    } else {
        TakeOver(result);
    }
}

bool CxImage::FlipHorizontal(CxImage* destination) {
    if (!IsValid())
        return false;
    CxImage out;
    if (!CreateLike(out, Width(), Height(), 0))
        return false;
    const LONG w = static_cast<LONG>(Width());
    for (DWORD y = 0; y < Height(); ++y) {
        const BYTE* src = RowPointer(y);
        BYTE* dst = out.RowPointer(y);
        const LONG row = static_cast<LONG>(y);
        switch (BitCount()) {
            case 8:
                std::reverse_copy(src, src + w, dst);
                break;
            case 24:
                for (LONG x = 0; x < w; ++x)
                    std::memcpy(dst + 3 * x, src + 3 * (w - 1 - x), 3);
                break;
            default:
                for (LONG x = 0; x < w; ++x)
                    out.SetIndex(x, row, GetIndex(w - 1 - x, row));
                break;
        }
        if (m_pAlpha) {
            const BYTE* a = m_pAlpha + static_cast<std::size_t>(y) * Width();
            std::reverse_copy(a, a + w, out.m_pAlpha + static_cast<std::size_t>(y) * Width());
        }
    }
    Deliver(out, destination);
    return true;
}

bool CxImage::Turn180(CxImage* destination) {
    if (!IsValid())
        return false;
    CxImage out;
    if (!CreateLike(out, Width(), Height(), 0))
        return false;
    const LONG w = static_cast<LONG>(Width()), h = static_cast<LONG>(Height());
    for (LONG y = 0; y < h; ++y) {
        const BYTE* src = RowPointer(static_cast<DWORD>(y));
        BYTE* dst = out.RowPointer(static_cast<DWORD>(h - 1 - y));
        switch (BitCount()) {
            case 8:
                std::reverse_copy(src, src + w, dst);
                break;
            case 24:
                for (LONG x = 0; x < w; ++x)
                    std::memcpy(dst + 3 * (w - 1 - x), src + 3 * x, 3);
                break;
            default:
                for (LONG x = 0; x < w; ++x)
                    out.SetIndex(w - 1 - x, h - 1 - y, GetIndex(x, y));
                break;
        }
        if (m_pAlpha) {
            const BYTE* a = m_pAlpha + static_cast<std::size_t>(y) * Width();
            std::reverse_copy(a, a + w, out.m_pAlpha + static_cast<std::size_t>(h - 1 - y) * w);
        }
    }
    Deliver(out, destination);
    return true;
}

bool CxImage::TurnQuarter(CxImage* destination) {
    if (!IsValid())
        return false;
    CxImage out;
    if (!CreateLike(out, Height(), Width(), 0))
        return false;
    out.SetResolution(m_yDpi, m_xDpi);
    if (BitCount() == 1) {
        TurnQuarterMono(out);
    } else {
        TurnQuarterBlocks(out);
    }
    if (m_pAlpha) {
        const DWORD w = Width(), h = Height();
        for (DWORD y = 0; y < w; ++y) {
            BYTE* dst = out.m_pAlpha + static_cast<std::size_t>(y) * h;
            for (DWORD x = 0; x < h; ++x)
                dst[x] = m_pAlpha[static_cast<std::size_t>(h - 1 - x) * w + y];
        }
    }
    Deliver(out, destination);
    return true;
}

// 1 bit: eight old rows give one byte column of the new picture. New row 8b + k, byte c holds
// bit k of byte b of the old rows H - 1 - 8c - j (j = 0 ... 7, most significant first); the
// old rows' filler bits would land on rows past the new picture's end and are dropped.
bool CxImage::TurnQuarterMono(CxImage& out) const {
    const DWORD h = Height(), newRows = out.Height();
    const DWORD oldBytes = (Width() + 7) / 8;
    const std::size_t newStride = out.Stride();
    BYTE* newBits = out.Bits();
    for (DWORD c = 0; c < (h + 7) / 8; ++c) {
        const BYTE* rows[8];
        for (DWORD j = 0; j < 8; ++j) {
            const DWORD pos = 8 * c + j;  // new column, old row h - 1 - pos
            rows[j] = pos < h ? RowPointer(h - 1 - pos) : nullptr;
        }
        for (DWORD b = 0; b < oldBytes; ++b) {
            std::uint64_t block = 0;
            for (int j = 0; j < 8; ++j)
                block = (block << 8) | (rows[j] ? rows[j][b] : 0);
            block = Transpose8x8(block);
            const DWORD first = 8 * b;
            const int count = static_cast<int>(std::min<DWORD>(8, newRows - first));
            for (int k = 0; k < count; ++k) {
                newBits[(first + k) * newStride + c] = static_cast<BYTE>(block >> (56 - 8 * k));
            }
        }
    }
    return true;
}

// Other depths: whole pixels, in 64 x 64 blocks of the new picture to keep both sides' rows
// in cache.
void CxImage::TurnQuarterBlocks(CxImage& out) const {
    const DWORD newW = out.Width(), newH = out.Height(), h = Height();
    const WORD bits = BitCount();
    const BYTE* rows[kBlock];
    for (DWORD bx = 0; bx < newW; bx += kBlock) {
        const DWORD xEnd = std::min(newW, bx + kBlock);
        for (DWORD x = bx; x < xEnd; ++x)
            rows[x - bx] = RowPointer(h - 1 - x);
        for (DWORD by = 0; by < newH; by += kBlock) {
            const DWORD yEnd = std::min(newH, by + kBlock);
            for (DWORD y = by; y < yEnd; ++y) {
                BYTE* dst = out.RowPointer(y);
                for (DWORD x = bx; x < xEnd; ++x) {
                    const BYTE* src = rows[x - bx];
                    if (bits == 8) {
                        dst[x] = src[y];
                    } else if (bits == 24) {
                        std::memcpy(dst + 3 * x, src + 3 * y, 3);
                    } else {
                        out.SetIndex(static_cast<LONG>(x), static_cast<LONG>(y),
                                     GetIndex(static_cast<LONG>(y), static_cast<LONG>(h - 1 - x)));
                    }
                }
            }
        }
    }
}

bool CxImage::RotateByAngle(float angle, CxImage* destination) {
    if (!IsValid())
        return false;
    if (std::fmod(angle, 180.0f) == 0.0f && std::fmod(angle, 360.0f) != 0.0f) {
        return Turn180(destination);
    }
    const float radians = std::acos(0.0f) * angle / -90.0f;
    const double c = std::cos(static_cast<double>(radians));
    const double s = std::sin(static_cast<double>(radians));
    const double w = Width(), h = Height();
    const float xs[4] = {0.0f, static_cast<float>(w * c), static_cast<float>(-h * s),
                         static_cast<float>(w * c - h * s)};
    const float ys[4] = {0.0f, static_cast<float>(w * s), static_cast<float>(h * c),
                         static_cast<float>(w * s + h * c)};
    const float minX = *std::min_element(xs, xs + 4), maxX = *std::max_element(xs, xs + 4);
    const float minY = *std::min_element(ys, ys + 4), maxY = *std::max_element(ys, ys + 4);
    const float newW = std::floor(maxX + 0.5f - minX), newH = std::floor(maxY + 0.5f - minY);
    CxImage out;
    // A size beyond DWORD cannot be made; Create refuses it with the memory limit.
    const bool fits = newW >= 0.0f && newH >= 0.0f && newW < 4294967296.0f && newH < 4294967296.0f;
    if (!CreateLike(out, fits ? static_cast<DWORD>(newW) : 0xFFFFFFFFu,
                    fits ? static_cast<DWORD>(newH) : 0xFFFFFFFFu, 0)) {
        return false;
    }
    const LONG outW = static_cast<LONG>(out.Width()), outH = static_cast<LONG>(out.Height());
    const LONG x0 = static_cast<LONG>(minX), x1 = static_cast<LONG>(maxX);
    const LONG y0 = static_cast<LONG>(minY), y1 = static_cast<LONG>(maxY);
    const LONG oldW = static_cast<LONG>(Width()), oldH = static_cast<LONG>(Height());
    const BYTE background = GetIndex(-1, -1);
    const BYTE* bits = Bits();
    const std::size_t stride = Stride();
    const bool gray8 = BitCount() == 8;
    // The inclusive loops reach one column and one row past the new picture: they are skipped.
    for (LONG y = y0, j = 0; y <= y1 && j < outH; ++y, ++j) {
        BYTE* dst = out.RowPointer(static_cast<DWORD>(j));
        for (LONG x = x0, i = 0; x <= x1 && i < outW; ++x, ++i) {
            const LONG sx = static_cast<LONG>(x * c + y * s + 0.5);
            const LONG sy = static_cast<LONG>(y * c - x * s + 0.5);
            const bool inside = sx >= 0 && sy >= 0 && sx < oldW && sy < oldH;
            if (gray8) {
                dst[i] = inside ? bits[static_cast<std::size_t>(sy) * stride + sx] : background;
            } else if (PaletteSize()) {
                out.SetIndex(i, j, GetIndex(sx, sy));
            } else {
                out.SetColor(i, j, GetColor(sx, sy, false));
            }
            if (m_pAlpha)
                out.SetAlpha(i, j, GetAlpha(sx, sy));
        }
    }
    Deliver(out, destination);
    return true;
}

bool CxImage::Overlay(const CxImage& source, LONG x, LONG y) {
    if (!IsValid() || !source.IsValid())
        return false;
    const bool sourceAlpha = source.HasAlpha();
    if (sourceAlpha && !m_pAlpha && !CreateAlpha())
        return false;
    const LONG w = static_cast<LONG>(Width()), h = static_cast<LONG>(Height());
    const LONG sw = static_cast<LONG>(source.Width()), sh = static_cast<LONG>(source.Height());
    const LONG yEnd = static_cast<LONG>(std::min<long long>(h, static_cast<long long>(sh) + y));
    const LONG xEnd = static_cast<LONG>(std::min<long long>(w, static_cast<long long>(sw) + x));
    for (LONG dy = std::max<LONG>(0, y); dy < yEnd; ++dy) {
        for (LONG dx = std::max<LONG>(0, x); dx < xEnd; ++dx) {
            const LONG sx = dx - x, sy = dy - y;
            if (source.IsTransparent(sx, sy))
                continue;
            const int m = sourceAlpha ? source.GetAlpha(sx, sy) * source.AlphaMax() / 255 : 255;
            RGBQUAD colour = GetColor(dx, dy, false);
            if (m == 255) {
                colour = source.GetColor(sx, sy, false);
            } else if (m != 0) {
                const RGBQUAD top = source.GetColor(sx, sy, false);
                colour.rgbBlue =
                    static_cast<BYTE>((colour.rgbBlue * (255 - m) + top.rgbBlue * m) / 255);
                colour.rgbGreen =
                    static_cast<BYTE>((colour.rgbGreen * (255 - m) + top.rgbGreen * m) / 255);
                colour.rgbRed =
                    static_cast<BYTE>((colour.rgbRed * (255 - m) + top.rgbRed * m) / 255);
            }
            if (sourceAlpha)
                SetAlpha(dx, dy, static_cast<BYTE>(m * GetAlpha(dx, dy) / 255));
            SetColor(dx, dy, colour);
        }
    }
    return true;
}

bool CxImage::ScaleNearest(DWORD newWidth, DWORD newHeight) {
    if (!IsValid() || newHeight == 0)
        return false;
    if (newWidth == Width() && newHeight == Height())
        return true;
    const float fx = static_cast<float>(Width()) / static_cast<float>(newWidth);
    const float fy = static_cast<float>(Height()) / static_cast<float>(newHeight);
    CxImage out;
    if (!CreateLike(out, newWidth, newHeight, 0))
        return false;
    for (DWORD y = 0; y < newHeight; ++y) {
        const LONG sy = static_cast<LONG>(static_cast<float>(y) * fy);
        for (DWORD x = 0; x < newWidth; ++x) {
            const LONG sx = static_cast<LONG>(static_cast<float>(x) * fx);
            const LONG nx = static_cast<LONG>(x), ny = static_cast<LONG>(y);
            out.SetColor(nx, ny, GetColor(sx, sy, false));
            if (m_pAlpha)
                out.SetAlpha(nx, ny, GetAlpha(sx, sy));
        }
    }
    TakeOver(out);
    return true;
}
