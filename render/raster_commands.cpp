#include "render/raster_commands.h"

#include <cstdint>
#include <cstring>

void InvertRaster(CxImage& page) {
    BYTE* bytes = page.Bits();
    if (!bytes)
        return;
    std::size_t size = static_cast<std::size_t>(page.Stride()) * page.Height();
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        word = ~word;
        std::memcpy(bytes + i, &word, 8);
    }
    for (; i < size; ++i)
        bytes[i] = static_cast<BYTE>(~bytes[i]);
}
