// Turns the collected page into the 1-bit raster every encoder sends: watermark, landscape
// turn, gray, brightness and contrast, black and white, print direction, row filler bits.
#pragma once

#include <functional>

#include "imaging/ximage.h"
#include "settings/records.h"

// What the page is prepared with besides its own pixels.
struct PageSetup {
    const DeviceSettings& device;
    const HalftoneSettings& halftone;
    const WatermarkSettings& watermark;
    bool landscape = false;  // the document's DEVMODE says landscape
    WORD bandBits = 8;       // the depth the host delivered the page in
};

// True when the DEVMODE asks for a landscape page.
bool IsLandscape(const DEVMODEW* dm);

// The whole sequence. False when no 1-bit page could be made (a step could not allocate its
// result): such a page cannot be encoded. A turn that cannot be made is skipped and traced,
// so the page still prints.
bool PreparePageRaster(CxImage& page, const PageSetup& setup);

// Stamps the watermark picture onto the page; a picture that cannot be loaded is no stamp.
void StampWatermark(CxImage& page, const WatermarkSettings& watermark);

// Where the stamps of a picture of w x h go on a page of pageW x pageH, in stamping order.
void ForEachWatermarkPlacement(DWORD pageW, DWORD pageH, DWORD w, DWORD h,
                               const WatermarkSettings& watermark,
                               const std::function<void(LONG x, LONG y)>& stamp);

// The page turned by the print direction: 1 half turn, 2 a quarter turn counter-clockwise,
// 3 a quarter turn clockwise, any other value none.
void TurnForDirection(CxImage& page, int direction);

// Sets every bit past the page width in each row of a 1-bit image to 1 (white).
void SetRowFillerBits(CxImage& page);
