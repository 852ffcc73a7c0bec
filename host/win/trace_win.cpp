#include <windows.h>

#include <cstdio>

#include "host/trace.h"
#include "host/win/text.h"

namespace host {

void Trace(std::string_view line) {
    OutputDebugStringW(WideFromUtf8(line).c_str());
}

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (length == 0 || !text) {
        char unknown[64];
        std::snprintf(unknown, sizeof unknown, "Unknown error %u.", static_cast<unsigned>(code));
        return unknown;
    }
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return Utf8FromWide(message);
}

}  // namespace host
