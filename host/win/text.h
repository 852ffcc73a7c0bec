// UTF-8 and the platform's UTF-16 and ANSI texts, converted where they meet a Win32 call.
#pragma once

#include <string>
#include <string_view>

namespace host {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
// Text in the process's ANSI code page, as narrow Win32 calls produce it.
std::string Utf8FromAnsi(std::string_view text);

}  // namespace host
