#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/memory_spooler.h"
#include "host/resources.h"
#include "settings/model_database.h"
#include "tests/settings/trace_capture.h"

namespace {

// Entries carry a `comment` so a test can tell equal names apart. "LP-200" of another
// package comes first, so that only the package rule can pick the right one.
std::string Fixture(const std::string& driversAttributes) {
    return R"(<?xml version="1.0"?>
<Drivers )" +
           driversAttributes +
           R"(>
  <Driver name="LP-200" mode="ZendorExternalPrt" comment="ext200" dpi="300"/>
  <Driver name="LP-200" mode="ZendorPrt" comment="main200" dpi="203"/>
  <Driver name="LP-200" mode="Velt" comment="velt200"/>
  <Driver name="LP-100" mode="ZendorPrt" comment="main100" cmd="tspl" dpi="300" headsize="108"
          paperlist="4inch" defpapername="100mm x 150mm"/>
  <Driver name="LP-100" mode="ZendorExternalPrt" comment="ext100" parent="LP-100"
          dottedline="false" paperlist="label" defpapername=""/>
  <Driver name="LP-100S" mode="ZendorPrt" comment="variant" parent="lp-100"/>
  <Driver name="Other-1" mode="ZendorExternalPrt" comment="other"/>
  <Driver name="Loop-A" mode="ZendorPrt" parent="Loop-B"/>
  <Driver name="Loop-B" mode="ZendorPrt" parent="Loop-A"/>
  <Driver name="Solo" mode="ZendorPrt" parent="Solo"/>
  <Driver mode="ZendorPrt" comment="nameless" cmd="escpos"/>
</Drivers>
<Form>
  <Papers type="label">
    <Paper name="50mm x 30mm" size="50,30"/>
  </Papers>
  <Papers type="4inch">
    <Paper name="100mm x 150mm" size="100,150"/>
  </Papers>
</Form>
)";
}

const std::string kZendorDatabase = Fixture(R"(model="ZendorPrt")");

struct LoadedDatabase {
    explicit LoadedDatabase(const std::string& xml) { db.LoadFromBuffer(xml.data(), xml.size()); }
    CModelDatabase db;
};

std::string CommentOf(pugi::xml_node driver) {
    return driver ? driver.attribute("comment").value() : "(none)";
}

struct FindCase {
    const char* drivers;
    const char* name;
    const char* expected;
};

TEST(FindDriver, ChoosesThePackageEntryThenAnyEntryOfTheName) {
    const FindCase cases[] = {
        {R"(model="ZendorPrt")", "lp-200", "main200"},
        {R"(model="zendorprt")", "LP-200", "main200"},  // the package compares without case
        {R"(model="VeltPrt")", "lp-200", "ext200"},     // any package: the first of the name
        {R"(model="veltprt")", "LP-200", "ext200"},     // no package matches: second pass
        {"", "LP-200", "velt200"},                      // no model attribute: "Velt"
        {R"(model="ZendorPrt")", "OTHER-1", "other"},   // only in another package
        {R"(model="ZendorPrt")", "LP-2000", "(none)"},
        {R"(model="ZendorPrt")", "", "nameless"},
    };
    for (const FindCase& c : cases) {
        LoadedDatabase d(Fixture(c.drivers));
        EXPECT_EQ(CommentOf(d.db.FindDriver(c.name)), c.expected) << c.drivers << " " << c.name;
    }
}

TEST(FindDriver, FindsNothingInADocumentWithoutDrivers) {
    const std::string xml = "<?xml version=\"1.0\"?><Form/>";
    LoadedDatabase d(xml);
    EXPECT_FALSE(d.db.FindDriver("LP-100"));
}

TEST(FindModelByUsbName, TakesOnlyEntriesOfThePackage) {
    const std::string xml = R"(<Drivers model="ZendorPrt">
  <Driver name="A" usbname="USBPRINT\ZendorA1111" mode="ZendorExternalPrt"/>
  <Driver name="B" usbname="USBPRINT\ZendorA1111" mode="zendorprt"/>
  <Driver name="C" usbname="USBPRINT\ZendorC2222" mode="ZendorExternalPrt"/>
</Drivers>)";
    LoadedDatabase d(xml);
    EXPECT_STREQ(d.db.FindModelByUsbName("usbprint\\zendora1111").attribute("name").value(), "B");
    EXPECT_FALSE(d.db.FindModelByUsbName("USBPRINT\\ZendorC2222"));
}

TEST(GetDriverAttribute, InheritsThroughASelfNamedParent) {
    LoadedDatabase d(kZendorDatabase);
    const pugi::xml_node external = d.db.FindDriver("LP-100").next_sibling("Driver");
    ASSERT_EQ(CommentOf(external), "ext100");
    EXPECT_EQ(CommentOf(d.db.FindParentDriver(external)), "main100");
    EXPECT_EQ(d.db.GetDriverAttribute(external, "dpi").as_int(), 300);
    EXPECT_STREQ(d.db.GetDriverAttribute(external, "paperlist").value(), "label");
    // Found on the entry itself although empty: the parent's value does not show through.
    const pugi::xml_attribute empty = d.db.GetDriverAttribute(external, "defpapername");
    ASSERT_TRUE(empty);
    EXPECT_STREQ(empty.value(), "");

    const pugi::xml_node variant = d.db.FindDriver("lp-100s");
    EXPECT_STREQ(d.db.GetDriverAttribute(variant, "cmd").value(), "tspl");
    EXPECT_EQ(CommentOf(d.db.FindParentDriver(variant)), "main100");
}

TEST(GetDriverAttribute, MissingAlongTheChainEndsWithTheTrace) {
    LoadedDatabase d(kZendorDatabase);
    TraceCapture trace;
    EXPECT_FALSE(d.db.GetDriverAttribute(d.db.FindDriver("LP-100S"), "light"));
    EXPECT_FALSE(d.db.GetDriverAttribute(pugi::xml_node(), "dpi"));
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{"GetDriverAttribute name=light, return null.\r\n",
                                        "GetDriverAttribute name=dpi, return null.\r\n"}));
}

TEST(GetDriverAttribute, StopsOnParentLoops) {
    LoadedDatabase d(kZendorDatabase);
    TraceCapture trace;
    EXPECT_FALSE(d.db.GetDriverAttribute(d.db.FindDriver("Loop-A"), "dpi"));
    EXPECT_TRUE(trace.Has("GetDriverAttribute name=dpi, return null.\r\n"));
    // A self-named parent with no other entry of the name has no parent at all.
    EXPECT_FALSE(d.db.FindParentDriver(d.db.FindDriver("Solo")));
}

TEST(GetDriverAttribute, FollowsALongChainOnlyUpToTheLimit) {
    std::string xml = "<Drivers model=\"P\">";
    const int links = kMaxParentLinks + 1;
    for (int i = 0; i <= links; ++i) {
        xml += "<Driver name=\"M" + std::to_string(i) + "\" mode=\"P\"";
        if (i < links)
            xml += " parent=\"M" + std::to_string(i + 1) + "\"";
        else
            xml += " dpi=\"600\"";
        xml += "/>";
    }
    xml += "</Drivers>";
    LoadedDatabase d(xml);
    EXPECT_EQ(d.db.GetDriverAttribute(d.db.FindDriver("M1"), "dpi").as_int(), 600);
    EXPECT_FALSE(d.db.GetDriverAttribute(d.db.FindDriver("M0"), "dpi"));
}

TEST(FindParentDriver, AnEntryWithoutParentInheritsNothing) {
    LoadedDatabase d(kZendorDatabase);
    // The nameless entry must not become everybody's parent.
    EXPECT_FALSE(d.db.FindParentDriver(d.db.FindDriver("Other-1")));
    EXPECT_FALSE(d.db.GetDriverAttribute(d.db.FindDriver("Other-1"), "cmd"));
}

const char kPaperDatabase[] = R"(<?xml version="1.0"?>
<Drivers model="ZendorPrt">
  <Driver name="P-1" mode="ZendorPrt" paperlist="mixed"/>
  <Driver name="P-2" mode="ZendorPrt" paperlist="missing"/>
  <Driver name="P-3" mode="ZendorPrt" paperlist="single"/>
</Drivers>
<Form>
  <Papers type="label"><Paper name="Label A" size="40,30"/></Papers>
  <Papers type="single"><Paper name="Only" size="57,100"/></Papers>
  <Papers type="mixed">
    <Paper name="First" size="100,150" res="7"/>
    <Paper name="NoComma" size="76"/>
    <Paper name="Inch" size="101.6,  152.4" margin="1.5,2,3,4"/>
    <Paper name="TwoCommas" size="50,30" margin="1,2,3"/>
    <Paper name="Junk" size="abc,  -2x" margin="x,--1,,9"/>
    <Paper name="Huge" size="1e300,30"/>
    <Paper name="Nan" size="50,nan"/>
    <Paper name="NoSize"/>
    <Paper name="Last" size="30,20" margin="0,0,0,0,5"/>
  </Papers>
</Form>
)";

TEST(InitPaperList, SkipsBrokenPapersWithoutUsingUpANumber) {
    CModelDatabase db;
    db.LoadFromBuffer(kPaperDatabase, sizeof kPaperDatabase - 1);
    TraceCapture trace;
    db.InitPaperList("p-1");
    const std::vector<PaperListEntry>& list = db.PaperList();
    ASSERT_EQ(list.size(), 4u);
    const struct {
        const char* name;
        int number, res;
        LONG width, length, left, top, right, bottom;
    } expected[] = {
        {"First", 257, 7, 100000, 150000, 0, 0, 0, 0},
        {"Inch", 258, 0, 101600, 152400, 1500, 2000, 3000, 4000},
        {"Junk", 259, 0, 0, -2000, 0, 0, 0, 9000},
        {"Last", 260, 0, 30000, 20000, 0, 0, 0, 0},
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(list[i].name, expected[i].name);
        EXPECT_EQ(list[i].dwFlags, static_cast<DWORD>(FORM_PRINTER));
        EXPECT_EQ(list[i].iNumber, expected[i].number);
        EXPECT_EQ(list[i].iRes, expected[i].res);
        EXPECT_EQ(list[i].lWidth, expected[i].width);
        EXPECT_EQ(list[i].lLength, expected[i].length);
        EXPECT_EQ(list[i].lLeft, expected[i].left);
        EXPECT_EQ(list[i].lTop, expected[i].top);
        EXPECT_EQ(list[i].lRight, expected[i].right);
        EXPECT_EQ(list[i].lBottom, expected[i].bottom);
    }
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{
                  "xml定义纸张时，size属性错误。PaperName = NoComma size = 76",
                  "xml定义纸张时，margin属性错误。PaperName = TwoCommas margin = 1,2,3",
                  "xml定义纸张时，size属性错误。PaperName = Huge size = 1e300,30",
                  "xml定义纸张时，size属性错误。PaperName = Nan size = 50,nan",
                  "xml定义纸张时，size属性错误。PaperName = NoSize size = ",
              }));
}

TEST(InitPaperList, UnknownModelGetsTheLabelListAndAMissingListNone) {
    CModelDatabase db;
    db.LoadFromBuffer(kPaperDatabase, sizeof kPaperDatabase - 1);
    {
        TraceCapture trace;
        db.InitPaperList("Nobody");
        ASSERT_EQ(db.PaperList().size(), 1u);
        EXPECT_EQ(db.PaperList()[0].name, "Label A");
        EXPECT_TRUE(
            trace.Has("InitPaperList sPrinterName=Nobody, nodeDriver is null, return "
                      "null.\r\n"));
    }
    TraceCapture trace;
    db.InitPaperList("P-2");
    EXPECT_TRUE(db.PaperList().empty());
    EXPECT_TRUE(trace.Has("InitPaperList sPrinterName=P-2, nodePapers is null, return null.\r\n"));
}

TEST(GetPaperCount, BuildsOncePerModel) {
    CModelDatabase db;
    db.LoadFromBuffer(kPaperDatabase, sizeof kPaperDatabase - 1);
    TraceCapture trace;
    EXPECT_EQ(db.GetPaperCount("P-1"), 4u);
    EXPECT_EQ(db.GetPaperCount("p-1"), 4u);
    EXPECT_EQ(trace.Count("InitPaperList"), 1);
    EXPECT_EQ(db.GetPaperCount("P-3"), 1u);
    EXPECT_EQ(db.PaperList()[0].name, "Only");
    EXPECT_EQ(trace.Count("InitPaperList"), 2);
}

TEST(GetDPI, ReadsTheInheritedResolution) {
    LoadedDatabase d(kZendorDatabase);
    TraceCapture trace;
    EXPECT_EQ(d.db.GetDPI("LP-100S"), 300);
    EXPECT_EQ(d.db.GetDPI("Other-1"), 0);
    EXPECT_EQ(d.db.GetDPI("Unknown"), 203);
    EXPECT_TRUE(trace.Has("GetDPI sPrinterName=Unknown, nodeDriver is null, return null.\r\n"));
}

TEST(GetDefaultPaperName, FallsBackToTheHeadWidth) {
    const struct {
        const char* attributes;
        const char* expected;
    } cases[] = {
        {R"(defpapername="4.00&quot;x6.00&quot;" headsize="80")", "4.00\"x6.00\""},
        {R"(defpapername="" headsize="80")", "76mm x 130mm"},
        {R"(headsize="105")", "100mm x 180mm"},
        {R"(headsize="108")", "100mm x 180mm"},
        {R"(headsize="48")", ""},
        {R"(headsize="127")", ""},
        {R"(headsize="junk")", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const std::string xml =
            std::string("<Drivers><Driver name=\"M\" ") + c.attributes + "/></Drivers>";
        LoadedDatabase d(xml);
        EXPECT_EQ(d.db.GetDefaultPaperName(d.db.FindDriver("M")), c.expected) << c.attributes;
    }
}

const char kFormDatabase[] = R"(<?xml version="1.0"?>
<Drivers model="ZendorPrt">
  <Driver name="T-203" mode="ZendorPrt" dpi="203" paperlist="4inch" defpapername="100mm x 150mm"/>
  <Driver name="T-300" mode="ZendorPrt" dpi="300" paperlist="4inch" defpapername="100mm x 150mm"/>
  <Driver name="T-600" mode="ZendorPrt" dpi="600" paperlist="4inch" defpapername="100mm x 150mm"/>
  <Driver name="T-48" mode="ZendorPrt" dpi="203" paperlist="4inch" headsize="48"/>
  <Driver name="T-80" mode="ZendorPrt" dpi="300" paperlist="4inch" headsize="80"/>
  <Driver name="T-long" mode="ZendorPrt" dpi="300" paperlist="4inch"
          defpapername="A very long paper name 1234567"/>
  <Driver name="T-fits" mode="ZendorPrt" dpi="203" paperlist="4inch"
          defpapername="A very long paper name 1234567"/>
  <Driver name="T-noname" mode="ZendorPrt" dpi="203" paperlist="nameless" headsize="48"/>
</Drivers>
<Form>
  <Papers type="4inch">
    <Paper name="100mm x 150mm-" size="100,150"/>
    <Paper name="100mm x 150mm" size="100,150"/>
    <Paper name="A very long paper name 1234567" size="100,150"/>
  </Papers>
  <Papers type="nameless"><Paper size="48,30"/></Papers>
</Form>
)";

DEVMODEW LetterDevmode() {
    DEVMODEW dm{};
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE;
    dm.dmPaperSize = 1;
    std::u16string_view(u"Letter").copy(reinterpret_cast<char16_t*>(dm.dmFormName), 6);
    return dm;
}

std::u16string FormName(const DEVMODEW& dm) {
    return std::u16string(reinterpret_cast<const char16_t*>(dm.dmFormName));
}

TEST(ApplyDefaultForm, SetsTheDefaultPaperWithTheResolutionSuffix) {
    const struct {
        const char* model;
        const char16_t* form;
    } cases[] = {
        {"T-203", u"100mm x 150mm"},
        {"t-300", u"100mm x 150mm-3"},
        {"T-600", u"100mm x 150mm-6"},
        {"T-fits", u"A very long paper name 1234567"},
    };
    for (const auto& c : cases) {
        CModelDatabase db;
        db.LoadFromBuffer(kFormDatabase, sizeof kFormDatabase - 1);
        DEVMODEW dm = LetterDevmode();
        EXPECT_TRUE(db.ApplyDefaultFormForModel(c.model, &dm)) << c.model;
        EXPECT_EQ(FormName(dm), c.form) << c.model;
        EXPECT_EQ(dm.dmFields, static_cast<DWORD>(DM_ORIENTATION | DM_FORMNAME)) << c.model;
        EXPECT_EQ(dm.dmPaperSize, 0) << c.model;
    }
}

TEST(ApplyDefaultForm, LeavesTheDevmodeAloneWithoutAUsableDefault) {
    // No default name (48 mm head), a default not in the list (derived "76mm x 130mm"),
    // a name that with "-3" no longer fits, an unknown model, and an empty default that
    // would match a paper without a name.
    for (const char* model : {"T-48", "T-80", "T-long", "Unknown", "T-noname"}) {
        CModelDatabase db;
        db.LoadFromBuffer(kFormDatabase, sizeof kFormDatabase - 1);
        const DEVMODEW before = LetterDevmode();
        DEVMODEW dm = before;
        EXPECT_FALSE(db.ApplyDefaultFormForModel(model, &dm)) << model;
        EXPECT_EQ(std::memcmp(&dm, &before, sizeof dm), 0) << model;
    }
}

TEST(ApplyDefaultForm, TracesAnUnknownModel) {
    CModelDatabase db;
    db.LoadFromBuffer(kFormDatabase, sizeof kFormDatabase - 1);
    TraceCapture trace;
    DEVMODEW dm = LetterDevmode();
    db.ApplyDefaultFormForModel("Unknown", &dm);
    EXPECT_TRUE(
        trace.Has("GetDefaultPaperName sPrinterName=Unknown, nodeDriver is null, return "
                  "null.\r\n"));
}

class ApplyDefaultFormSpoolerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::SetCurrentSpooler(&m_spooler);
        db.LoadFromBuffer(kFormDatabase, sizeof kFormDatabase - 1);
        // The queue's own name is a model too, so only the driver name gives "-3".
        ASSERT_TRUE(m_spooler.AddDriverSimple(u"T-300"));
        ASSERT_TRUE(m_spooler.CreatePrinter(u"T-203", u"T-300", u"FILE:"));
        ASSERT_TRUE(m_spooler.OpenPrinterW(u"T-203", &m_host, PRINTER_ACCESS_USE));
    }
    void TearDown() override {
        m_spooler.ClosePrinter(m_host);
        EXPECT_EQ(m_spooler.OpenHandleCount(), 0) << "a printer handle was left open";
        host::SetCurrentSpooler(nullptr);
    }

    host::MemorySpooler m_spooler;
    HANDLE m_host = nullptr;
    CModelDatabase db;
};

TEST_F(ApplyDefaultFormSpoolerTest, LooksTheModelUpByTheDriverNameThroughItsOwnHandle) {
    DEVMODEW dm = LetterDevmode();
    db.ApplyDefaultForm(m_host, &dm);
    EXPECT_EQ(FormName(dm), u"100mm x 150mm-3");
    EXPECT_EQ(m_spooler.CallCount("OpenPrinterW"), 2);
}

TEST_F(ApplyDefaultFormSpoolerTest, DoesNothingWhenItsOwnHandleCannotBeOpened) {
    m_spooler.InjectFault("OpenPrinterW", ERROR_ACCESS_DENIED);
    TraceCapture trace;
    const DEVMODEW before = LetterDevmode();
    DEVMODEW dm = before;
    db.ApplyDefaultForm(m_host, &dm);
    EXPECT_EQ(std::memcmp(&dm, &before, sizeof dm), 0);
    EXPECT_TRUE(trace.Has("OpenPrinter error = 5, " + host::SystemMessage(ERROR_ACCESS_DENIED)));
}

class LoadModelDatabaseTest : public ::testing::Test {
  protected:
    void TearDown() override { host::ClearResourceOverrides(); }
};

TEST_F(LoadModelDatabaseTest, AMissingOrEmptyResourceIsTriedAgain) {
    CModelDatabase db(kModelDatabaseUiResource);
    host::HideResource(kXmlResourceType, kModelDatabaseUiResource);
    EXPECT_FALSE(db.FindDriver("LP-100"));
    EXPECT_FALSE(db.IsLoaded());
    host::OverrideResource(kXmlResourceType, kModelDatabaseUiResource, "");
    EXPECT_FALSE(db.FindDriver("LP-100"));
    EXPECT_FALSE(db.IsLoaded());
    host::OverrideResource(kXmlResourceType, kModelDatabaseUiResource, kZendorDatabase);
    EXPECT_EQ(CommentOf(db.FindDriver("LP-100")), "main100");
    EXPECT_TRUE(db.IsLoaded());
}

TEST_F(LoadModelDatabaseTest, AMalformedDocumentIsParsedOnceAndKeepsWhatItHolds) {
    CModelDatabase db(kModelDatabaseUiResource);
    const std::string truncated =
        kZendorDatabase.substr(0, kZendorDatabase.find("<Driver name=\"LP-100S\""));
    host::OverrideResource(kXmlResourceType, kModelDatabaseUiResource, truncated + "<Driv");
    EXPECT_EQ(CommentOf(db.FindDriver("LP-100")), "main100");
    EXPECT_FALSE(db.FindDriver("LP-100S"));
    EXPECT_TRUE(db.IsLoaded());
    host::OverrideResource(kXmlResourceType, kModelDatabaseUiResource, kZendorDatabase);
    EXPECT_FALSE(db.FindDriver("LP-100S"));
}

TEST_F(LoadModelDatabaseTest, EachDatabaseReadsItsOwnResource) {
    host::OverrideResource(kXmlResourceType, kModelDatabaseInstallerResource,
                           "<Drivers><Driver name=\"Installer-only\"/></Drivers>");
    CModelDatabase installer(kModelDatabaseInstallerResource);
    CModelDatabase plugin(kModelDatabaseUiResource);
    EXPECT_TRUE(installer.FindDriver("Installer-only"));
    EXPECT_FALSE(plugin.FindDriver("Installer-only"));
}

}  // namespace
