// Turns the collected page into the 1-bit raster every encoder sends.
#pragma once

#include "imaging/ximage.h"
#include "settings/records.h"

// Gray, brightness and contrast, black and white, then white filler bits at the end of every
// row. bandBits is the depth the host delivered the page in.
void PreparePageRaster(CxImage& page, const DeviceSettings& device,
                       const HalftoneSettings& halftone, WORD bandBits);

// Sets every bit past the page width in each row of a 1-bit image to 1 (white).
void SetRowFillerBits(CxImage& page);
