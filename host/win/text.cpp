#include "host/win/text.h"

#include <windows.h>

namespace host {
namespace {

std::wstring Widen(UINT codePage, std::string_view text) {
    if (text.empty())
        return {};
    int units =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            units);
    }
    return wide;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
    return Widen(CP_UTF8, text);
}

std::string Utf8FromWide(std::wstring_view text) {
    if (text.empty())
        return {};
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                            bytes, nullptr, nullptr);
    }
    return narrow;
}

std::string Utf8FromAnsi(std::string_view text) {
    return Utf8FromWide(Widen(CP_ACP, text));
}

}  // namespace host
