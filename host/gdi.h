// The few graphics-engine palette calls the render plug-in makes, and the host's way to make
// a device's default palette. Natively the palettes live in memory; on Windows they are the
// engine's own where gdi32 has them (host/win/gdi_win.cpp).
#pragma once

#include "host/win32_types.h"

HPALETTE EngCreatePalette(ULONG mode, ULONG colors, ULONG* table, FLONG red, FLONG green,
                          FLONG blue);
BOOL EngDeletePalette(HPALETTE palette);

#ifndef _WIN32
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
#endif

namespace host {
// A palette with these entries, as a device's default palette.
HPALETTE CreatePaletteFromEntries(const PALETTEENTRY* entries, UINT count);
}  // namespace host
