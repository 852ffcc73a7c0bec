// Shared pieces of the spooler tests: the two-call size protocol, checks that packed answers
// stay inside their buffer, and a spooler with one printer.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/memory_spooler.h"

namespace spooler_test {

inline LPWSTR W(const char16_t* text) {
    return const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(text));
}

// Runs a buffer-filling call the way callers do: a size query that must fail with
// ERROR_INSUFFICIENT_BUFFER, a buffer one byte short that must fail the same way, then the
// read into exactly the needed size.
template <class Call>
std::vector<BYTE> TwoStep(Call call) {
    DWORD needed = 0;
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(call(nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<BYTE> buffer(needed);
    if (needed > 0) {
        DWORD again = 0;
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(call(buffer.data(), needed - 1, &again));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(again, needed);
    }
    DWORD used = 0;
    EXPECT_TRUE(call(buffer.data(), needed, &used));
    EXPECT_EQ(used, needed);
    return buffer;
}

inline bool Inside(const std::vector<BYTE>& buffer, const void* p, std::size_t bytes) {
    const auto* b = static_cast<const BYTE*>(p);
    return b >= buffer.data() && b + bytes <= buffer.data() + buffer.size();
}

// A text of a packed answer: it must start inside the buffer and end with NUL inside it.
inline std::u16string Packed(const std::vector<BYTE>& buffer, const WCHAR* text) {
    const auto* p = reinterpret_cast<const char16_t*>(text);
    if (!p || !Inside(buffer, p, sizeof(char16_t))) {
        ADD_FAILURE() << "text pointer outside the buffer";
        return u"<outside>";
    }
    std::u16string value;
    for (; Inside(buffer, p, sizeof(char16_t)); ++p) {
        if (*p == u'\0')
            return value;
        value += *p;
    }
    ADD_FAILURE() << "text not terminated inside the buffer";
    return value;
}

// The strings of a packed string list (each ended by NUL, the list by one more).
inline std::vector<std::u16string> PackedList(const std::vector<BYTE>& buffer, const WCHAR* list) {
    std::vector<std::u16string> items;
    const auto* p = reinterpret_cast<const char16_t*>(list);
    while (p && Inside(buffer, p, sizeof(char16_t)) && *p != u'\0') {
        items.push_back(Packed(buffer, reinterpret_cast<const WCHAR*>(p)));
        p += items.back().size() + 1;
    }
    EXPECT_TRUE(p && Inside(buffer, p, sizeof(char16_t))) << "list not ended inside the buffer";
    return items;
}

inline std::u16string Units(const WCHAR* text, std::size_t max) {
    const auto* p = reinterpret_cast<const char16_t*>(text);
    std::u16string value;
    for (std::size_t i = 0; i < max && p[i] != u'\0'; ++i)
        value += p[i];
    return value;
}

inline std::vector<BYTE> Bytes(std::initializer_list<int> values) {
    std::vector<BYTE> bytes;
    for (int v : values)
        bytes.push_back(static_cast<BYTE>(v));
    return bytes;
}

// A spooler with driver "LP-100", printer "Label" on FILE: and a full-access handle to it.
class SpoolerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(spooler.AddDriverSimple(u"LP-100"));
        ASSERT_TRUE(spooler.CreatePrinter(u"Label", u"LP-100", u"FILE:"));
        ASSERT_TRUE(spooler.OpenPrinterW(u"Label", &printer, PRINTER_ALL_ACCESS));
    }
    void TearDown() override {
        if (printer)
            spooler.ClosePrinter(printer);
    }

    HANDLE Open(const char16_t* name, DWORD access = PRINTER_ALL_ACCESS) {
        HANDLE h = nullptr;
        EXPECT_TRUE(spooler.OpenPrinterW(name, &h, access));
        return h;
    }

    std::vector<BYTE> PrinterInfo(HANDLE h, DWORD level) {
        return TwoStep(
            [&](BYTE* b, DWORD s, DWORD* n) { return spooler.GetPrinterW(h, level, b, s, n); });
    }

    host::MemorySpooler spooler;
    HANDLE printer = nullptr;
};

}  // namespace spooler_test
