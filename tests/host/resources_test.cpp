#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/resources.h"
#include "host/ui_language.h"

namespace {

std::string FileText(const std::string& name) {
    // ZD_TEST_DATA is <repository>/tests/data.
    const std::filesystem::path path =
        std::filesystem::path(ZD_TEST_DATA).parent_path().parent_path() / "resources" / name;
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Resource(int id, bool* found = nullptr) {
    const BYTE* data = nullptr;
    DWORD size = 0;
    const bool ok = host::FindResourceBytes(u"XML", id, &data, &size);
    if (found)
        *found = ok;
    return ok ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
}

TEST(Resources, EmbedsTheResourceFilesByteForByte) {
    const struct {
        int id;
        const char* file;
    } cases[] = {{147, "modeldb.xml"},
                 {131, "modeldb.xml"},
                 {124, "lang_chs.xml"},
                 {125, "lang_en.xml"},
                 {146, "lang_vi.xml"}};
    for (const auto& c : cases) {
        const std::string file = FileText(c.file);
        ASSERT_FALSE(file.empty()) << c.file;
        EXPECT_EQ(Resource(c.id), file) << c.id;
    }
    bool found = true;
    Resource(148, &found);
    EXPECT_FALSE(found);
    EXPECT_FALSE(host::FindResourceBytes(u"BITMAP", 147, nullptr, nullptr));
}

TEST(Resources, TestsReplaceAndHideResourcesUntilCleared) {
    const std::string shipped = Resource(147);
    host::OverrideResource(u"XML", 147, "<Drivers/>");
    EXPECT_EQ(Resource(147), "<Drivers/>");
    host::HideResource(u"XML", 147);
    bool found = true;
    Resource(147, &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(Resource(131), shipped);  // the other id of the same file is untouched
    host::ClearResourceOverrides();
    EXPECT_EQ(Resource(147), shipped);
}

TEST(UiLanguage, IsEnglishUnlessATestChoosesAnother) {
    EXPECT_EQ(host::UserDefaultUILanguage(), 1033);
    host::SetUserDefaultUILanguage(1066);
    EXPECT_EQ(host::UserDefaultUILanguage(), 1066);
    host::SetUserDefaultUILanguage(0);
    EXPECT_EQ(host::UserDefaultUILanguage(), 1033);
}

}  // namespace
