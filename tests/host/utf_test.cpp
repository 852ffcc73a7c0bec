#include <gtest/gtest.h>

#include "host/utf.h"

namespace {

TEST(Utf, ConvertsBothWays) {
    const struct {
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {u"Zendor LT-420T", "Zendor LT-420T"},
        {u"前台标签机", "前台标签机"},
        {u"Máy in nhãn", "Máy in nhãn"},
        {u"\U0001F5A8", "\xF0\x9F\x96\xA8"},  // a surrogate pair
        {u"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
    }
}

TEST(Utf, ReplacesBrokenSequences) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800') + u"a"),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");      // overlong
    EXPECT_EQ(Utf8ToUtf16("\xE4\xBA"), u"\uFFFD");      // cut short
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // an encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xFF"
                          "b"),
              u"\uFFFDb");
}

TEST(Utf, ComparesAsciiLettersWithoutCase) {
    EXPECT_TRUE(EqualsNoCase("Zendor LT-420T", "zendor lt-420t"));
    EXPECT_FALSE(EqualsNoCase("LT-420T", "LT-420TS"));
    EXPECT_FALSE(EqualsNoCase("LT-420T", "LT-420D"));
    EXPECT_TRUE(EqualsNoCase("", ""));
}

}  // namespace
