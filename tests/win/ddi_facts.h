// Sizes, offsets and constants of the graphics-engine structures the plug-in shares with the
// host, by name: once from the platform's DDI header, once from the plug-in's own definitions.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

using DdiFacts = std::vector<std::pair<std::string, std::size_t>>;

DdiFacts PlatformDdiFacts();  // ddi_platform.cpp, the only file that sees <winddi.h>
DdiFacts OwnDdiFacts();       // ddi_layout_test.cpp, from host/oem_uni.h

// The same list for both: one X(name, expression) per fact, for the including file to expand.
#define ZD_DDI_FACTS(X)                                                        \
    X("sizeof GDIINFO", sizeof(GDIINFO))                                       \
    X("GDIINFO.cBitsPixel", offsetof(GDIINFO, cBitsPixel))                     \
    X("GDIINFO.ptlPhysOffset", offsetof(GDIINFO, ptlPhysOffset))               \
    X("GDIINFO.ciDevice", offsetof(GDIINFO, ciDevice))                         \
    X("GDIINFO.ulDevicePelsDPI", offsetof(GDIINFO, ulDevicePelsDPI))           \
    X("GDIINFO.pHTPatA", offsetof(GDIINFO, pHTPatA))                           \
    X("GDIINFO.ulPhysicalPixelGamma", offsetof(GDIINFO, ulPhysicalPixelGamma)) \
    X("sizeof COLORINFO", sizeof(COLORINFO))                                   \
    X("sizeof DEVINFO", sizeof(DEVINFO))                                       \
    X("DEVINFO.lfDefaultFont", offsetof(DEVINFO, lfDefaultFont))               \
    X("DEVINFO.cFonts", offsetof(DEVINFO, cFonts))                             \
    X("DEVINFO.hpalDefault", offsetof(DEVINFO, hpalDefault))                   \
    X("DEVINFO.flGraphicsCaps2", offsetof(DEVINFO, flGraphicsCaps2))           \
    X("sizeof SURFOBJ", sizeof(SURFOBJ))                                       \
    X("SURFOBJ.dhpdev", offsetof(SURFOBJ, dhpdev))                             \
    X("SURFOBJ.pvScan0", offsetof(SURFOBJ, pvScan0))                           \
    X("SURFOBJ.iType", offsetof(SURFOBJ, iType))                               \
    X("sizeof DRVFN", sizeof(DRVFN))                                           \
    X("DRVFN.pfn", offsetof(DRVFN, pfn))                                       \
    X("sizeof DRVENABLEDATA", sizeof(DRVENABLEDATA))                           \
    X("DRVENABLEDATA.pdrvfn", offsetof(DRVENABLEDATA, pdrvfn))                 \
    X("INDEX_DrvEscape", INDEX_DrvEscape)                                      \
    X("INDEX_DrvSendPage", INDEX_DrvSendPage)                                  \
    X("INDEX_DrvEndDoc", INDEX_DrvEndDoc)                                      \
    X("INDEX_DrvStartDoc", INDEX_DrvStartDoc)                                  \
    X("INDEX_DrvNextBand", INDEX_DrvNextBand)                                  \
    X("PAL_BGR", PAL_BGR)

#define ZD_DDI_FACT(name, value) {name, static_cast<std::size_t>(value)},
