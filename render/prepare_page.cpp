#include "render/prepare_page.h"

#include <cstring>
#include <string>

#include "host/trace.h"

namespace {

void TraceSkipped(const char* what, const CxImage& image) {
    host::TraceF("%s skipped: %s", what, image.LastError());
}

std::u16string WatermarkPath(const WatermarkSettings& watermark) {
    std::size_t n = 0;
    while (n < kWatermarkPathUnits && watermark.szPath[n])
        ++n;
    return std::u16string(watermark.szPath, n);
}

// The picture as it is stamped: upright, rotated, with its alpha and transparent colour.
bool PrepareWatermarkPicture(CxImage& picture, const WatermarkSettings& watermark) {
    // The two together reverse the row order, so the picture's top row is its row 0, as on
    // the page.
    if (!picture.FlipHorizontal() || !picture.Turn180()) {
        TraceSkipped("watermark", picture);
        return false;
    }
    if (watermark.iRotateAngle > 0 && (watermark.iRotateDir == 0 || watermark.iRotateDir == 1)) {
        float angle = static_cast<float>(watermark.iRotateAngle);
        if (!picture.RotateByAngle(watermark.iRotateDir == 0 ? angle : -angle)) {
            TraceSkipped("watermark", picture);
            return false;
        }
    }
    if (!picture.HasAlpha() && !picture.CreateAlpha()) {
        TraceSkipped("watermark", picture);
        return false;
    }
    std::memset(picture.AlphaPointer(), static_cast<BYTE>(watermark.iAlpha),
                static_cast<std::size_t>(picture.Width()) * picture.Height());
    picture.SetTransIndex(0);
    const auto colour = static_cast<std::uint32_t>(watermark.crAlphaColor);
    picture.SetTransColor(RGBQUAD{static_cast<BYTE>(colour >> 16), static_cast<BYTE>(colour >> 8),
                                  static_cast<BYTE>(colour), 0});
    return true;
}

bool ToBlackAndWhite(CxImage& page, const HalftoneSettings& halftone) {
    if (page.BitCount() == 1)
        return true;
    bool made;
    if (halftone.iGrayMethod <= 0) {
        made = page.ToMonoThreshold(static_cast<BYTE>(halftone.iThreValue));
    } else {
        // Past the ten methods, Floyd-Steinberg.
        made = page.ToMonoDither(halftone.iGrayMethod <= 10 ? halftone.iGrayMethod - 1 : 0);
    }
    if (!made)
        host::Trace(page.LastError());
    return page.BitCount() == 1;
}

}  // namespace

bool IsLandscape(const DEVMODEW* dm) {
    return dm && (dm->dmFields & DM_ORIENTATION) && dm->dmOrientation == DMORIENT_LANDSCAPE;
}

void ForEachWatermarkPlacement(DWORD pageW, DWORD pageH, DWORD w, DWORD h,
                               const WatermarkSettings& wm,
                               const std::function<void(LONG x, LONG y)>& stamp) {
    if (wm.bTile) {
        // Unsigned steps: a negative spacing that outweighs the picture ends the row (or the
        // column) after its first stamp, and so does a step of zero instead of never ending.
        const DWORD stepX = w + static_cast<DWORD>(wm.iSpacingX);
        const DWORD stepY = h + static_cast<DWORD>(wm.iSpacingY);
        for (DWORD y = 0; y <= pageH; y += stepY) {
            for (DWORD x = 0; x <= pageW; x += stepX) {
                stamp(static_cast<LONG>(x), static_cast<LONG>(y));
                if (stepX == 0 || x + stepX < x)
                    break;
            }
            if (stepY == 0 || y + stepY < y)
                break;
        }
        return;
    }
    const LONG pw = static_cast<LONG>(pageW), ph = static_cast<LONG>(pageH);
    const LONG pictureW = static_cast<LONG>(w), pictureH = static_cast<LONG>(h);
    LONG x = wm.iMarginX;
    if (wm.iAlign & 0x2) {
        x = pw - wm.iMarginX - pictureW;
    } else if (wm.iAlign & 0x1) {
        x = pw / 2 - pictureW / 2;
    }
    LONG y = wm.iMarginY;
    if (wm.iAlign & 0x8) {
        y = ph - wm.iMarginY - pictureH;
    } else if (wm.iAlign & 0x4) {
        y = ph / 2 - pictureH / 2;
    }
    stamp(x, y);
}

void StampWatermark(CxImage& page, const WatermarkSettings& watermark) {
    if (!watermark.bEnable)
        return;
    CxImage picture;
    if (!picture.LoadBmpFile(WatermarkPath(watermark)))
        return;
    if (!PrepareWatermarkPicture(picture, watermark))
        return;
    ForEachWatermarkPlacement(page.Width(), page.Height(), picture.Width(), picture.Height(),
                              watermark, [&](LONG x, LONG y) { page.Overlay(picture, x, y); });
}

void TurnForDirection(CxImage& page, int direction) {
    bool turned = true;
    switch (direction) {
        case 1:
            turned = page.RotateByAngle(180.0f);
            break;
        case 2: {
            // Exact: new (x, y) = old (W - 1 - y, x), nothing lost.
            CxImage quarter;
            turned = page.TurnQuarter(&quarter) && quarter.Turn180();
            if (turned)
                page.TakeOver(quarter);
            else if (quarter.IsValid())
                page.SetErrorText(quarter.LastError());
            break;
        }
        case 3:
            // Exact: new (x, y) = old (y, H - 1 - x).
            turned = page.TurnQuarter();
            break;
        default:
            break;
    }
    if (!turned)
        TraceSkipped("print direction turn", page);
}

bool PreparePageRaster(CxImage& page, const PageSetup& setup) {
    StampWatermark(page, setup.watermark);
    if (setup.landscape && !page.TurnQuarter())
        TraceSkipped("landscape turn", page);
    if (setup.bandBits == 24 && !page.ToGray())
        host::Trace(page.LastError());
    if (!page.AdjustBrightnessContrast(setup.halftone.iLiangdu, setup.halftone.iDuibidu) &&
        page.BitCount() != 1) {
        host::Trace(page.LastError());
    }
    if (!ToBlackAndWhite(page, setup.halftone))
        return false;
    TurnForDirection(page, setup.device.iDirection);
    SetRowFillerBits(page);
    return true;
}

void SetRowFillerBits(CxImage& page) {
    if (page.BitCount() != 1)
        return;
    DWORD width = page.Width();
    DWORD usedBits = width % 8;
    DWORD firstFree = width / 8;
    for (DWORD y = 0; y < page.Height(); ++y) {
        BYTE* row = page.RowPointer(y);
        DWORD byte = firstFree;
        if (usedBits)
            row[byte++] |= static_cast<BYTE>(0xFF >> usedBits);
        for (; byte < page.Stride(); ++byte)
            row[byte] = 0xFF;
    }
}
