#include <vector>

#include "host/gdi.h"

namespace {

struct Palette {
    std::vector<PALETTEENTRY> entries;
};

HPALETTE ToHandle(Palette* p) {
    return reinterpret_cast<HPALETTE>(p);
}
Palette* FromHandle(HPALETTE h) {
    return reinterpret_cast<Palette*>(h);
}

}  // namespace

HPALETTE EngCreatePalette(ULONG, ULONG colors, ULONG* table, FLONG, FLONG, FLONG) {
    auto* p = new Palette;
    for (ULONG i = 0; table && i < colors; ++i) {
        p->entries.push_back(PALETTEENTRY{static_cast<BYTE>(table[i]),
                                          static_cast<BYTE>(table[i] >> 8),
                                          static_cast<BYTE>(table[i] >> 16), 0});
    }
    return ToHandle(p);
}

BOOL EngDeletePalette(HPALETTE palette) {
    delete FromHandle(palette);
    return palette != nullptr;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    Palette* p = FromHandle(palette);
    if (!p)
        return 0;
    UINT copied = 0;
    for (UINT i = start; i < p->entries.size() && copied < count; ++i, ++copied) {
        entries[copied] = p->entries[i];
    }
    return copied;
}

namespace host {

HPALETTE CreatePaletteFromEntries(const PALETTEENTRY* entries, UINT count) {
    auto* p = new Palette;
    p->entries.assign(entries, entries + count);
    return ToHandle(p);
}

}  // namespace host
