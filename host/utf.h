// UTF-8 (the XML documents, trace lines) and UTF-16 (spooler texts) conversions. Broken
// sequences become U+FFFD rather than failing: the texts come from documents and printer
// names we do not control.
#pragma once

#include <string>
#include <string_view>

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// Compares ASCII letters without regard to case; other characters must be equal.
bool EqualsNoCase(std::string_view a, std::string_view b);
