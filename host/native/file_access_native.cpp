#include <algorithm>
#include <cstdio>

#include "host/file_access.h"
#include "host/utf.h"

namespace host {
namespace {

std::FILE* Open(const std::u16string& path, const char* mode) {
    const std::string name = Utf16ToUtf8(path);
    // A name with an embedded NUL would open a different file.
    if (name.find('\0') != std::string::npos)
        return nullptr;
    return std::fopen(name.c_str(), mode);
}

}  // namespace

bool ReadFileBytes(const std::u16string& path, std::size_t maxBytes, std::vector<BYTE>& out) {
    out.clear();
    std::FILE* f = Open(path, "rb");
    if (!f)
        return false;
    BYTE buffer[65536];
    bool ok = true;
    while (out.size() < maxBytes) {
        const std::size_t want = std::min(sizeof buffer, maxBytes - out.size());
        const std::size_t got = std::fread(buffer, 1, want, f);
        out.insert(out.end(), buffer, buffer + got);
        if (got < want) {
            ok = !std::ferror(f);
            break;
        }
    }
    std::fclose(f);
    return ok;
}

bool WriteFileBytes(const std::u16string& path, const BYTE* data, std::size_t size) {
    std::FILE* f = Open(path, "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

}  // namespace host
