// The engine's palette calls. gdi32 exports them for printer drivers on Windows, but not every
// implementation of gdi32 does, so they are looked up at run time; without them, palettes of
// the same entries are made with CreatePalette and freed with DeleteObject.
#include <windows.h>

#include <vector>

#include "host/gdi.h"

namespace {

constexpr ULONG kPalIndexed = 0x01;

using CreateFn = HPALETTE(APIENTRY*)(ULONG, ULONG, ULONG*, FLONG, FLONG, FLONG);
using DeleteFn = BOOL(APIENTRY*)(HPALETTE);

struct EnginePalettes {
    CreateFn create = nullptr;
    DeleteFn remove = nullptr;
};

template <class Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}

const EnginePalettes& Engine() {
    static const EnginePalettes engine = [] {
        HMODULE gdi = GetModuleHandleW(L"gdi32.dll");
        EnginePalettes e{Lookup<CreateFn>(gdi, "EngCreatePalette"),
                         Lookup<DeleteFn>(gdi, "EngDeletePalette")};
        if (!e.create || !e.remove)
            e = {};
        return e;
    }();
    return engine;
}

HPALETTE PaletteOf(const PALETTEENTRY* entries, UINT count) {
    // One black entry stands for palettes of no entries (the bit-field kinds).
    const PALETTEENTRY black{0, 0, 0, 0};
    if (count == 0) {
        entries = &black;
        count = 1;
    }
    std::vector<BYTE> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    for (UINT i = 0; i < count; ++i)
        palette->palPalEntry[i] = entries[i];
    return CreatePalette(palette);
}

}  // namespace

HPALETTE EngCreatePalette(ULONG mode, ULONG colors, ULONG* table, FLONG red, FLONG green,
                          FLONG blue) {
    if (Engine().create)
        return Engine().create(mode, colors, table, red, green, blue);
    std::vector<PALETTEENTRY> entries;
    for (ULONG i = 0; mode == kPalIndexed && table && i < colors && i < 256; ++i) {
        entries.push_back(PALETTEENTRY{static_cast<BYTE>(table[i]),
                                       static_cast<BYTE>(table[i] >> 8),
                                       static_cast<BYTE>(table[i] >> 16), 0});
    }
    return PaletteOf(entries.data(), static_cast<UINT>(entries.size()));
}

BOOL EngDeletePalette(HPALETTE palette) {
    if (Engine().remove)
        return Engine().remove(palette);
    return palette ? DeleteObject(palette) : FALSE;
}

namespace host {

HPALETTE CreatePaletteFromEntries(const PALETTEENTRY* entries, UINT count) {
    std::vector<ULONG> table;
    for (UINT i = 0; i < count; ++i) {
        table.push_back(entries[i].peRed | entries[i].peGreen << 8 | entries[i].peBlue << 16);
    }
    return EngCreatePalette(kPalIndexed, count, table.data(), 0, 0, 0);
}

}  // namespace host
