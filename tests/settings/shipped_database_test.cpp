// Checks of the model database and language tables as they are built in.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "host/resources.h"
#include "host/utf.h"
#include "settings/language_table.h"
#include "settings/model_database.h"

namespace {

std::string ResourceText(int id) {
    const BYTE* data = nullptr;
    DWORD size = 0;
    if (!host::FindResourceBytes(kXmlResourceType, id, &data, &size))
        return {};
    return std::string(reinterpret_cast<const char*>(data), size);
}

class ShippedDatabase : public ::testing::Test {
  protected:
    pugi::xml_node Drivers() { return db.Document().child("Drivers"); }
    CModelDatabase db{kModelDatabaseUiResource};
};

TEST_F(ShippedDatabase, IsOneDocumentForBothPrograms) {
    const std::string ui = ResourceText(kModelDatabaseUiResource);
    ASSERT_FALSE(ui.empty());
    EXPECT_EQ(ui, ResourceText(kModelDatabaseInstallerResource));
    EXPECT_EQ(ui.rfind("<?xml ", 0), 0u);  // a declaration first, no byte-order mark
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_buffer(ui.data(), ui.size()));
    EXPECT_STREQ(doc.first_child().name(), "Drivers");
    EXPECT_STREQ(doc.first_child().next_sibling().name(), "Form");
}

TEST_F(ShippedDatabase, HeaderNamesThePackage) {
    const pugi::xml_node drivers = Drivers();
    EXPECT_STREQ(drivers.attribute("model").value(), "ZendorPrt");
    for (const char* name : {"version0", "version1", "version2", "version3", "time", "product",
                             "company", "website", "tel", "email"})
        EXPECT_TRUE(drivers.attribute(name)) << name;
    const std::string time = drivers.attribute("time").value();
    EXPECT_EQ(time.size(), 14u);
    EXPECT_EQ(time.find_first_not_of("0123456789"), std::string::npos);
}

TEST_F(ShippedDatabase, EveryEntryIsComplete) {
    const std::set<std::string> languages = {"tspl", "escpos", "cpcl", "paperang"};
    const std::set<int> resolutions = {203, 300, 600};
    std::map<std::string, std::set<std::string>> usbNamesByPackage;
    std::set<std::string> seenLanguages;
    std::set<int> seenResolutions;
    for (pugi::xml_node driver : Drivers().children("Driver")) {
        const std::string name = driver.attribute("name").value();
        SCOPED_TRACE(name + " / " + driver.attribute("mode").value());
        ASSERT_FALSE(name.empty());
        if (driver.attribute("parent")) {
            EXPECT_TRUE(db.FindParentDriver(driver));
        }

        const std::string cmd = db.GetDriverAttribute(driver, "cmd").value();
        EXPECT_TRUE(languages.count(cmd)) << cmd;
        seenLanguages.insert(cmd);
        const int dpi = db.GetDriverAttribute(driver, "dpi").as_int();
        EXPECT_TRUE(resolutions.count(dpi)) << dpi;
        seenResolutions.insert(dpi);

        const std::string list = db.GetDriverAttribute(driver, "paperlist").value();
        const pugi::xml_node papers =
            db.Document().child("Form").find_child_by_attribute("Papers", "type", list.c_str());
        EXPECT_TRUE(papers) << list;
        const pugi::xml_attribute defaultPaper = db.GetDriverAttribute(driver, "defpapername");
        if (defaultPaper) {
            EXPECT_TRUE(papers.find_child_by_attribute("Paper", "name", defaultPaper.value()))
                << defaultPaper.value();
        }

        const std::string usb = driver.attribute("usbname").value();
        EXPECT_EQ(usb.rfind("USBPRINT\\", 0), 0u) << usb;
        EXPECT_TRUE(usbNamesByPackage[driver.attribute("mode").value()].insert(usb).second) << usb;
    }
    EXPECT_EQ(seenLanguages, languages);
    EXPECT_EQ(seenResolutions, resolutions);
}

TEST_F(ShippedDatabase, EveryListedPaperIsReadAndEveryDefaultFormFits) {
    for (pugi::xml_node driver : Drivers().children("Driver")) {
        // The paper list of a name is that of the entry the name finds.
        const std::string name = driver.attribute("name").value();
        const pugi::xml_node entry = db.FindDriver(name);
        const std::string list = db.GetDriverAttribute(entry, "paperlist").value();
        const pugi::xml_node papers =
            db.Document().child("Form").find_child_by_attribute("Papers", "type", list.c_str());
        db.InitPaperList(name);
        EXPECT_EQ(db.PaperList().size(),
                  static_cast<std::size_t>(std::distance(papers.children("Paper").begin(),
                                                         papers.children("Paper").end())))
            << name;
        EXPECT_LT(db.DefaultFormName(name).size(), static_cast<std::size_t>(CCHFORMNAME)) << name;
    }
}

TEST_F(ShippedDatabase, InheritsInTheDocumentedPattern) {
    // A model of the external package that names itself as parent, and a variant that
    // inherits everything.
    int selfNamed = 0, variants = 0;
    for (pugi::xml_node driver : Drivers().children("Driver")) {
        const pugi::xml_attribute parent = driver.attribute("parent");
        if (!parent)
            continue;
        if (EqualsNoCase(parent.value(), driver.attribute("name").value())) {
            ++selfNamed;
            EXPECT_STREQ(driver.attribute("mode").value(), "ZendorExternalPrt");
            EXPECT_STREQ(db.FindParentDriver(driver).attribute("mode").value(), "ZendorPrt");
        } else if (std::distance(driver.attributes_begin(), driver.attributes_end()) == 4) {
            ++variants;
        }
    }
    EXPECT_GE(selfNamed, 1);
    EXPECT_GE(variants, 1);
}

TEST_F(ShippedDatabase, SmallFormatModelsCarryTheirImageDefaults) {
    int smallFormats = 0;
    for (pugi::xml_node driver : Drivers().children("Driver")) {
        if (!driver.attribute("defpapertype"))
            continue;
        ++smallFormats;
        for (const char* name : {"definepapers", "light", "contrast", "graymethod"})
            EXPECT_TRUE(driver.attribute(name)) << name;
        const pugi::xml_node papers = db.Document().child("Form").find_child_by_attribute(
            "Papers", "type", driver.attribute("paperlist").value());
        EXPECT_EQ(std::distance(papers.children("Paper").begin(), papers.children("Paper").end()),
                  1);
    }
    EXPECT_EQ(smallFormats, 2);
}

TEST_F(ShippedDatabase, DescribesModelsForTheTools) {
    const struct {
        const char* name;
        const char* cmd;
        int dpi, headsize;
        const char* paper;
        const char16_t* form;
        LONG width, length;
    } cases[] = {
        {"zendor lt-430t", "tspl", 300, 106, "100mm x 150mm", u"100mm x 150mm-3", 100000, 150000},
        {"Zendor LT-460T", "tspl", 600, 54, "50mm x 30mm", u"50mm x 30mm-6", 50000, 30000},
        {"Zendor LT-420TS", "tspl", 203, 108, "100mm x 100mm", u"100mm x 100mm", 100000, 100000},
        {"Zendor LT-320D", "tspl", 203, 80, "76mm x 130mm", u"76mm x 130mm", 76000, 130000},
        {"Zendor RP-58", "escpos", 203, 48, "", u"", 0, 0},
        {"Zendor MC-430", "cpcl", 203, 108, "4.00\"x6.00\"(101.6x152.4)",
         u"4.00\"x6.00\"(101.6x152.4)", 101600, 152400},
        {"Zendor MP-310", "paperang", 300, 48, "50mm x 30mm", u"50mm x 30mm-3", 50000, 30000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<ModelSummary> m = DescribeModel(db, c.name);
        ASSERT_TRUE(m);
        EXPECT_TRUE(EqualsNoCase(m->name, c.name));
        EXPECT_EQ(m->cmd, c.cmd);
        EXPECT_EQ(m->dpi, c.dpi);
        EXPECT_EQ(m->headsize, c.headsize);
        EXPECT_EQ(m->defaultPaper, c.paper);
        EXPECT_EQ(m->defaultForm, c.form);
        EXPECT_EQ(m->lPaperWidth, c.width);
        EXPECT_EQ(m->lPaperLength, c.length);
    }
    EXPECT_FALSE(DescribeModel(db, "Warehouse 3"));

    const std::vector<ModelSummary> models = ListModels(db);
    ASSERT_EQ(models.size(), 13u);  // the external package's entries repeat names
    EXPECT_EQ(models.front().name, "Zendor LT-420D");
    EXPECT_EQ(models[1].defaultPaper, "100mm x 100mm");  // the package's own LT-420T
}

struct Table {
    std::vector<std::pair<std::string, std::string>> rows;
};

Table ReadTable(int id) {
    const std::string text = ResourceText(id);
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_buffer(text.data(), text.size())) << id;
    Table table;
    for (pugi::xml_node row : doc.child("Language").children("String"))
        table.rows.emplace_back(row.attribute("id").value(), row.attribute("text").value());
    return table;
}

TEST(ShippedLanguageTables, EnglishAndVietnameseHaveTheSameKeysInOrder) {
    const Table english = ReadTable(kLanguageEnglishResource);
    const Table vietnamese = ReadTable(kLanguageVietnameseResource);
    // 92 page texts, six company and product names, and the empty closing row.
    ASSERT_EQ(english.rows.size(), 99u);
    ASSERT_EQ(vietnamese.rows.size(), 99u);
    for (std::size_t i = 0; i < english.rows.size(); ++i) {
        EXPECT_EQ(english.rows[i].first, vietnamese.rows[i].first) << i;
        if (i + 1 < english.rows.size()) {
            EXPECT_FALSE(english.rows[i].second.empty()) << english.rows[i].first;
            EXPECT_FALSE(vietnamese.rows[i].second.empty()) << vietnamese.rows[i].first;
        }
    }
    EXPECT_EQ(english.rows.back(), (std::pair<std::string, std::string>("", "")));
    EXPECT_EQ(english.rows.front().first, "图形");
    EXPECT_EQ(english.rows[91].first, "使用当前打印机设定");
    EXPECT_EQ(ResourceText(kLanguageVietnameseResource).find("<!--"),
              std::string("<?xml version=\"1.0\"?>\n").size());
}

TEST(ShippedLanguageTables, ChineseHoldsOnlyTheGraphicsTexts) {
    const Table chinese = ReadTable(kLanguageChineseResource);
    EXPECT_EQ(chinese.rows, (std::vector<std::pair<std::string, std::string>>{{"图形", "图形"},
                                                                              {"图例", "图例"}}));
}

TEST(ShippedLanguageTables, TranslateTheDatabaseHeader) {
    CModelDatabase db(kModelDatabaseUiResource);
    const pugi::xml_node drivers = db.Document().child("Drivers");
    for (int id : {kLanguageEnglishResource, kLanguageVietnameseResource}) {
        const std::string text = ResourceText(id);
        CLanguageTable table;
        table.LoadFromBuffer(text.data(), text.size());
        for (const char* name : {"product", "company"}) {
            const char* key = drivers.attribute(name).value();
            EXPECT_NE(table.Translate(key), key) << id << " " << name;
        }
    }
}

}  // namespace
