#include "render/prepare_page.h"

#include "host/trace.h"

void PreparePageRaster(CxImage& page, const DeviceSettings&, const HalftoneSettings& halftone,
                       WORD bandBits) {
    if (bandBits == 24 && !page.ToGray())
        host::Trace(page.LastError());
    page.AdjustBrightnessContrast(halftone.iLiangdu, halftone.iDuibidu);
    // Every method falls back to the fixed threshold until the dithering kernels are in.
    if (page.BitCount() != 1 && !page.ToMonoThreshold(static_cast<BYTE>(halftone.iThreValue))) {
        host::Trace(page.LastError());
    }
    SetRowFillerBits(page);
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
