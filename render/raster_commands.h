// What the page writers share: the dots per millimetre of a resolution class and the
// in-place inversion the 1-is-black languages need.
#pragma once

#include "imaging/ximage.h"

inline int DotsPerMillimetre(int dpiClass) {
    switch (dpiClass) {
        case 300:
            return 12;
        case 600:
            return 24;
        default:
            return 8;
    }
}

// Every raster byte of a 1-bit page inverted, filler bytes included: 1 becomes black.
void InvertRaster(CxImage& page);
