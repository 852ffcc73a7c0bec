// The picture container shared by both plug-ins and the installer's test page: one block with
// a device-independent bitmap (header, palette, pixel rows, row 0 first), an optional alpha
// plane, a transparent colour and a resolution.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/win32_types.h"

// Largest pixel area the container accepts, in bytes.
#define CXIMAGE_MAX_MEMORY 268435456

// Picture formats the stream-level decoder knows.
enum : DWORD { CXIMAGE_FORMAT_UNKNOWN = 0, CXIMAGE_FORMAT_BMP = 1 };

// Every block the container allocates (pixels, alpha planes, work buffers) comes from this
// function, so tests can make any one of them fail. It must return memory that std::free
// releases, or null. Passing null restores std::malloc.
using ImageAllocFn = void* (*)(std::size_t bytes);
void SetImageAllocator(ImageAllocFn fn);

class CxImage {
  public:
    CxImage();
    ~CxImage();
    CxImage(const CxImage&) = delete;
    CxImage& operator=(const CxImage&) = delete;
    CxImage(CxImage&& other) noexcept;
    CxImage& operator=(CxImage&& other) noexcept;

    // Storage. Create clears the palette and the pixels to 0 and drops the alpha plane;
    // resolution and transparency settings stay.
    bool Create(DWORD width, DWORD height, DWORD bits, DWORD type = 0);
    // Bits 1, 4, 8, 24 or 32; the 32-bit fourth byte goes to the alpha plane.
    bool CreateFromRows(const BYTE* rows, DWORD width, DWORD height, DWORD bits, DWORD stride);
    void Destroy();
    bool IsValid() const { return m_pDib != nullptr; }
    bool CopyFrom(const CxImage& other);
    // Frees this picture and moves all of other's state here; other is left empty.
    void TakeOver(CxImage& other);

    // Layout.
    DWORD Width() const { return static_cast<DWORD>(m_head.biWidth); }
    DWORD Height() const { return static_cast<DWORD>(m_head.biHeight); }
    WORD BitCount() const { return m_head.biBitCount; }
    DWORD Stride() const { return m_dwStride; }
    DWORD Type() const { return m_dwType; }
    BYTE* Bits();
    const BYTE* Bits() const;
    BYTE* RowPointer(DWORD row);
    const BYTE* RowPointer(DWORD row) const;
    const BITMAPINFOHEADER& Header() const { return m_head; }
    // The palette entries (null without a palette); PaletteSize counts entries, not bytes.
    RGBQUAD* Palette();
    const RGBQUAD* Palette() const;
    DWORD PaletteSize() const { return m_head.biClrUsed; }
    void FillGrayPalette();
    // True when the palette is the 256-entry identity ramp, so an index is its level.
    bool IsGrayScale() const;
    // Limits the colours NearestIndex searches (the header's biClrImportant; 0 = all).
    void SetImportantColors(DWORD count);

    // Resolution in dots per inch.
    void SetResolution(LONG xDpi, LONG yDpi);
    LONG XDpi() const { return m_xDpi; }
    LONG YDpi() const { return m_yDpi; }

    // Transparency: an index (-1 = none) and, for 24-bit pictures, the colour it stands for.
    LONG TransIndex() const { return m_nTransIndex; }
    void SetTransIndex(LONG index) { m_nTransIndex = index; }
    RGBQUAD TransColor() const { return m_transColor; }
    void SetTransColor(RGBQUAD colour) { m_transColor = colour; }

    // Pixels. Reads outside the picture give the background value, writes there are ignored.
    BYTE GetIndex(LONG x, LONG y) const;
    void SetIndex(LONG x, LONG y, BYTE index);
    RGBQUAD GetColor(LONG x, LONG y, bool withAlpha = true) const;
    void SetColor(LONG x, LONG y, RGBQUAD colour, bool setAlpha = false);
    BYTE NearestIndex(RGBQUAD colour) const;
    bool IsTransparent(LONG x, LONG y) const;

    // Alpha plane: Width() x Height() bytes, row 0 first.
    bool CreateAlpha();
    void DeleteAlpha();
    bool HasAlpha() const { return m_pAlpha != nullptr; }
    BYTE* AlphaPointer() { return m_pAlpha; }
    const BYTE* AlphaPointer() const { return m_pAlpha; }
    BYTE GetAlpha(LONG x, LONG y) const;
    void SetAlpha(LONG x, LONG y, BYTE value);
    BYTE AlphaMax() const { return m_nAlphaMax; }
    void SetAlphaMax(BYTE value) { m_nAlphaMax = value; }

    // Tone adjustments.
    bool ToGray();
    bool ApplyLookup(const BYTE table[256]);
    bool AdjustBrightnessContrast(LONG brightness, LONG contrast);
    bool ToMonoThreshold(BYTE level);
    // One of the ten dithering methods (0 to 9; any other number is method 0).
    bool ToMonoDither(LONG method);

    // Geometry. Each builds a new picture of the same depth, palette and settings; with a
    // destination that one is replaced and this picture stays as it is.
    bool FlipHorizontal(CxImage* destination = nullptr);
    bool Turn180(CxImage* destination = nullptr);
    // New pixel (x, y) = old pixel (y, H - 1 - x): clockwise when row 0 is the top.
    bool TurnQuarter(CxImage* destination = nullptr);
    // Nearest-pixel rotation about the corner (0, 0), in degrees.
    bool RotateByAngle(float angle, CxImage* destination = nullptr);
    // Stamps source onto this picture with its pixel (0, 0) at (x, y).
    bool Overlay(const CxImage& source, LONG x, LONG y);
    bool ScaleNearest(DWORD newWidth, DWORD newHeight);

    // Windows bitmap files. The readers take the whole file in memory; rows keep the order of
    // a bottom-up file (the first stored row is row 0).
    bool Decode(const BYTE* data, std::size_t size, DWORD type);
    bool DecodeBmp(const BYTE* data, std::size_t size);
    bool EncodeBmp(std::vector<BYTE>* out);
    // The render plug-in decodes a failed file a second time; the UI plug-in once.
    bool LoadBmpFile(const std::u16string& path, bool decodeTwice = true);
    bool SaveBmpFile(const std::u16string& path);

    const char* LastError() const { return m_szLastError; }
    void SetErrorText(const char* text);
    LONG Progress() const { return m_nProgress; }

  private:
    void SyncHeader();
    // An empty picture of this one's depth, palette and settings; alpha plane of alphaFill
    // when this one has a plane.
    bool CreateLike(CxImage& out, DWORD width, DWORD height, BYTE alphaFill);
    void Deliver(CxImage& result, CxImage* destination);
    bool TurnQuarterMono(CxImage& out) const;
    void TurnQuarterBlocks(CxImage& out) const;
    bool AllocAlpha(BYTE fill);
    // Moves the state of other here without freeing anything first.
    void MoveFrom(CxImage& other);
    // A new 8-bit gray picture of this size whose pixels are lum[index of the old pixel].
    bool ToGrayFromIndices(const BYTE lum[256]);
    bool ToGrayFromRgb();

    BYTE* m_pDib = nullptr;  // header, palette, pixels in one block
    BITMAPINFOHEADER m_head{};
    DWORD m_dwStride = 0;
    DWORD m_dwType = 0;
    BYTE* m_pAlpha = nullptr;
    LONG m_nTransIndex = -1;
    RGBQUAD m_transColor{};
    LONG m_xDpi = 96;
    LONG m_yDpi = 96;
    BYTE m_nAlphaMax = 255;
    LONG m_nProgress = 0;
    char m_szLastError[256] = {};
    // NearestIndex remembers its last answer; any change of the palette forgets it.
    mutable bool m_bLastValid = false;
    mutable RGBQUAD m_lastColor{};
    mutable BYTE m_lastIndex = 0;
    mutable signed char m_grayPalette = -1;  // -1 not known yet
};

// Luminance of a colour with integer weights that add up to 1024.
inline BYTE Luminance(BYTE r, BYTE g, BYTE b) {
    return static_cast<BYTE>((306 * r + 601 * g + 117 * b) >> 10);
}
