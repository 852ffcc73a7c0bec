#include <gtest/gtest.h>

#include <string>

#include "host/resources.h"
#include "host/ui_language.h"
#include "settings/language_table.h"
#include "settings/resource_ids.h"

namespace {

class LanguageTableTest : public ::testing::Test {
  protected:
    void TearDown() override {
        host::SetUserDefaultUILanguage(0);
        host::ClearResourceOverrides();
    }
    void LoadFor(WORD language) {
        host::SetUserDefaultUILanguage(language);
        table.LoadLanguageTable();
    }
    CLanguageTable table;
};

TEST_F(LanguageTableTest, ChoosesTheTableByTheExactLanguageId) {
    const struct {
        WORD language;
        int resource;
    } cases[] = {
        {2052, kLanguageChineseResource}, {1066, kLanguageVietnameseResource},
        {1033, kLanguageEnglishResource}, {1028, kLanguageEnglishResource},
        {3076, kLanguageEnglishResource}, {4100, kLanguageEnglishResource},
        {0, kLanguageEnglishResource},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageResourceId(c.language), c.resource) << c.language;
}

TEST_F(LanguageTableTest, ShowsTheShippedTexts) {
    const struct {
        WORD language;
        const char* key;
        const char* text;
    } cases[] = {
        {2052, "图形", "图形"},
        {2052, "卷", "卷"},  // Chinese shows its keys
        {1028, "卷", "Stock"},
        {1028, "图形", "Grapha"},
        {1033, "旋转角度", "Angel"},
        {1033, "介质处理", "Media Handing"},
        {1033, "热转印", "Direct Thermal Transfer"},
        {1066, "卷", "cuộn"},
        {1066, "图形", "đồ họa"},
        {1033, "确定", "OK"},
        {1066, "确定", "OK"},
        {1033, "取消", "Cancel"},
        {1066, "取消", "Cancel"},
        {1033, "0度", "0°"},
        {1066, "0度", "0°"},
        {1033, "打印完", "打印完"},  // looked up, but in no table
        {1066, "打印完", "打印完"},
    };
    for (const auto& c : cases) {
        LoadFor(c.language);
        EXPECT_EQ(table.Translate(c.key), c.text) << c.language << " " << c.key;
    }
}

TEST_F(LanguageTableTest, ShowsKeysBeforeAnyTableAndKeepsTheLastOneWhenAResourceIsMissing) {
    EXPECT_EQ(table.Translate("卷"), "卷");
    LoadFor(1033);
    host::HideResource(kXmlResourceType, kLanguageVietnameseResource);
    LoadFor(1066);
    EXPECT_EQ(table.Translate("卷"), "Stock");
    host::OverrideResource(kXmlResourceType, kLanguageVietnameseResource, "");
    LoadFor(1066);
    EXPECT_EQ(table.Translate("卷"), "Stock");
}

TEST_F(LanguageTableTest, ReadsRowsExactly) {
    const std::string xml = R"(<?xml version="1.0"?>
<Language>
  <String id="标签" text="Label"/>
  <String id="空"/>
  <String id="重复" text="first"/>
  <String id="重复" text="second"/>
  <String text="no id"/>
  <Other id="别的" text="not a row"/>
  <String id="Case" text="exact"/>
</Language>)";
    table.LoadFromBuffer(xml.data(), xml.size());
    const struct {
        const char* key;
        const char* text;
    } cases[] = {
        {"标签", "Label"}, {"空", ""},       {"重复", "first"}, {"", ""},
        {"别的", "别的"},  {"case", "case"}, {"Case", "exact"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.Translate(c.key), c.text) << c.key;
}

TEST_F(LanguageTableTest, AMalformedTableKeepsWhatWasParsed) {
    const std::string xml = R"(<Language><String id="一" text="One"/><String i)";
    table.LoadFromBuffer(xml.data(), xml.size());
    EXPECT_EQ(table.Translate("一"), "One");
    EXPECT_EQ(table.Translate("二"), "二");
}

TEST_F(LanguageTableTest, ThePluginTableReloadsForTheCurrentLanguage) {
    host::SetUserDefaultUILanguage(1066);
    LoadLanguageTable();
    EXPECT_EQ(Translate("关于"), "Giới thiệu");
    host::SetUserDefaultUILanguage(1033);
    LoadLanguageTable();
    EXPECT_EQ(Translate("关于"), "About");
    UiLanguageTable().Reset();
}

}  // namespace
