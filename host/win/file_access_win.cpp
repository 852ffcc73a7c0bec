#include <cstdio>

#include "host/file_access.h"

namespace host {

std::FILE* OpenPathFile(const std::u16string& path, bool write) {
    if (path.find(u'\0') != std::u16string::npos)
        return nullptr;
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), write ? L"wb" : L"rb");
}

}  // namespace host
