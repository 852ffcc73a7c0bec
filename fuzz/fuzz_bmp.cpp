// The BMP reader on arbitrary bytes: it must fail cleanly or give a picture the writer turns
// into a file that reads back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/ximage.h"

namespace {

bool SamePixels(const CxImage& a, const CxImage& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCount() != b.BitCount()) {
        return false;
    }
    const std::size_t rowBytes = (static_cast<std::size_t>(a.Width()) * a.BitCount() + 7) / 8;
    for (DWORD y = 0; y < a.Height(); ++y) {
        if (std::memcmp(a.RowPointer(y), b.RowPointer(y), rowBytes) != 0)
            return false;
    }
    if (a.PaletteSize() && std::memcmp(a.Palette(), b.Palette(), 4 * a.PaletteSize()) != 0) {
        return false;
    }
    return true;
}

// Run-length files may legally describe a picture of the container's full size with a few
// bytes; refusing blocks above 16 MiB keeps the fuzzer fast and takes the out-of-memory path.
void* SmallBlocksOnly(std::size_t bytes) {
    return bytes > (16u << 20) ? nullptr : std::malloc(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetImageAllocator(&SmallBlocksOnly);
    CxImage img;
    if (!img.DecodeBmp(data, size)) {
        if (img.IsValid() || !*img.LastError())
            __builtin_trap();
        return 0;
    }
    std::vector<BYTE> file;
    CxImage back;
    if (!img.EncodeBmp(&file) || !back.DecodeBmp(file.data(), file.size()) ||
        !SamePixels(img, back)) {
        __builtin_trap();
    }
    return 0;
}
