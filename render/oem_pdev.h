// The render plug-in's per-device record: the host's own handlers of the hooked calls, the
// bands of the page being collected and the device's page writer.
#pragma once

#include <vector>

#include "host/oem_uni.h"

class PrinterRender;

// One band as the host delivered it, in a heap block of its own. A page is kept as
// its list of bands, so collecting a page costs one copy of each band and no regrowth.
struct PageBand {
    BYTE* bytes;
    DWORD size;
};

struct OemPdev {
    OemPdev() = default;
    OemPdev(const OemPdev&) = delete;
    OemPdev& operator=(const OemPdev&) = delete;
    ~OemPdev();

    PFN_DrvStartDoc pfnStartDoc = nullptr;
    PFN_DrvEndDoc pfnEndDoc = nullptr;
    PFN_DrvSendPage pfnSendPage = nullptr;
    PFN_DrvNextBand pfnNextBand = nullptr;
    PFN_DrvEscape pfnEscape = nullptr;

    // The page being collected. A page is pending from its first band until it is rendered
    // or dropped.
    std::vector<PageBand> bands;
    DWORD dwBufSize = 0;
    bool bPageFailed = false;  // a band could not be stored: the page is dropped at its end
    BITMAPINFOHEADER bmInfoHeader{};
    DWORD cPalColors = 0;
    std::vector<RGBQUAD> colorTable;
    HPALETTE hpalDefault = nullptr;
    DWORD cbHeaderOffBits = 54;
    DWORD bHeadersFilled = 0;
    DWORD bColorTable = 0;

    // The device's writer, created at its first hook call whose language is known.
    PrinterRender* render = nullptr;

    bool PagePending() const { return !bands.empty() || bPageFailed; }
    const BYTE* BufferStart() const { return bands.empty() ? nullptr : bands.front().bytes; }
    // Frees the collected bands and resets the page accumulators.
    void ResetPage();
};
