// The few graphics-engine palette calls the render plug-in makes. Windows has the real
// ones; the native build keeps palettes in memory.
#pragma once

#include "host/win32_types.h"

#ifdef _WIN32
#include <wingdi.h>
extern "C" HPALETTE APIENTRY EngCreatePalette(ULONG mode, ULONG colors, ULONG* table, FLONG red,
                                              FLONG green, FLONG blue);
extern "C" BOOL APIENTRY EngDeletePalette(HPALETTE palette);
#else
HPALETTE EngCreatePalette(ULONG mode, ULONG colors, ULONG* table, FLONG red, FLONG green,
                          FLONG blue);
BOOL EngDeletePalette(HPALETTE palette);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);

namespace host {
// A palette with these entries, as a device's default palette (native build only).
HPALETTE CreatePaletteFromEntries(const PALETTEENTRY* entries, UINT count);
}  // namespace host
#endif
