#include <windows.h>

#include <atomic>
#include <cstdio>

#include "host/trace.h"
#include "host/win/text.h"

namespace host {
namespace detail {
// Set by the debug-output capture (debug_capture.cpp) once a test or tool reads the lines.
std::atomic<void (*)(std::string_view line)> g_keepOwnLine{nullptr};
thread_local bool t_inOwnTrace = false;
}  // namespace detail

void Trace(std::string_view line) {
    // This module's own lines are kept as written; the debug output may narrow them to the
    // ANSI code page on the way (Wine does), and the capture leaves that copy aside.
    if (auto keep = detail::g_keepOwnLine.load())
        keep(line);
    detail::t_inOwnTrace = true;
    OutputDebugStringW(WideFromUtf8(line).c_str());
    detail::t_inOwnTrace = false;
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
