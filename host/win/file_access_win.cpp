#include <algorithm>
#include <cstdio>

#include "host/file_access.h"

namespace host {
namespace {

std::FILE* Open(const std::u16string& path, const wchar_t* mode) {
    if (path.find(u'\0') != std::u16string::npos)
        return nullptr;
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), mode);
}

}  // namespace

bool ReadFileBytes(const std::u16string& path, std::size_t maxBytes, std::vector<BYTE>& out) {
    out.clear();
    std::FILE* f = Open(path, L"rb");
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
    std::FILE* f = Open(path, L"wb");
    if (!f)
        return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

}  // namespace host
