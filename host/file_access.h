// Whole-file reads and writes for the picture files, by UTF-16 path. Windows opens the path
// as it is; the native build converts it to UTF-8.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "host/win32_types.h"

namespace host {

// At most maxBytes from the start of the file; false when it cannot be opened or read.
bool ReadFileBytes(const std::u16string& path, std::size_t maxBytes, std::vector<BYTE>& out);
// Creates or truncates the file; false when it cannot be opened or fully written.
bool WriteFileBytes(const std::u16string& path, const BYTE* data, std::size_t size);

// The platform's binary open of a UTF-16 path, for reading or for writing (create or
// truncate); null when it cannot be opened.
std::FILE* OpenPathFile(const std::u16string& path, bool write);

}  // namespace host
