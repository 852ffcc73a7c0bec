#include <cstdio>

#include "host/file_access.h"
#include "host/utf.h"

namespace host {

std::FILE* OpenPathFile(const std::u16string& path, bool write) {
    const std::string name = Utf16ToUtf8(path);
    // A name with an embedded NUL would open a different file.
    if (name.find('\0') != std::string::npos)
        return nullptr;
    return std::fopen(name.c_str(), write ? "wb" : "rb");
}

}  // namespace host
