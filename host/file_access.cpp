#include "host/file_access.h"

#include <algorithm>

namespace host {

bool ReadFileBytes(const std::u16string& path, std::size_t maxBytes, std::vector<BYTE>& out) {
    out.clear();
    std::FILE* f = OpenPathFile(path, false);
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
    std::FILE* f = OpenPathFile(path, true);
    if (!f)
        return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

}  // namespace host
