#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/printer_init.h"
#include "tests/settings/fake_spooler.h"
#include "tests/settings/trace_capture.h"

namespace {

const char kDatabase[] = R"(<?xml version="1.0"?>
<Drivers model="ZendorPrt">
  <Driver name="Full" mode="ZendorPrt" defpapertype="2" dottedline="false" light="-15"
          contrast="20" graymethod="4"/>
  <Driver name="Child" mode="ZendorPrt" parent="Full" dottedline="Yes"/>
  <Driver name="Empty" mode="ZendorPrt" defpapertype="" dottedline="" light="" contrast=""
          graymethod=""/>
  <Driver name="Junk" mode="ZendorPrt" defpapertype="0x2" dottedline="1" light=" -9x"
          contrast="99999999999" graymethod="no"/>
  <Driver name="Plain" mode="ZendorPrt" cmd="tspl"/>
</Drivers>
)";

CModelDatabase LoadedDatabase() {
    CModelDatabase db;
    db.LoadFromBuffer(kDatabase, sizeof kDatabase - 1);
    return db;
}

TEST(InitialRecordsForModel, TakesTheModelAttributesOverTheInitialValues) {
    const struct {
        const char* model;
        int paperType, autoDotted, grayMethod, light, contrast;
    } cases[] = {
        {"Full", 2, 0, 4, -15, 20},
        {"child", 2, 1, 4, -15, 20},  // inherits, but its own dottedline wins
        {"Empty", 0, 0, 0, 0, 0},     // empty values read as 0 and as "false"
        {"Junk", 2, 1, 0, -9, 2147483647},
        {"Plain", 1, 1, 0, 0, 0},  // absent attributes
        {"No such queue", 1, 1, 0, 0, 0},
    };
    CModelDatabase db = LoadedDatabase();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        const InitialPrinterRecords r = InitialRecordsForModel(db, c.model);
        EXPECT_EQ(r.device.iPaperType, c.paperType);
        EXPECT_EQ(r.device.bAutoDotted, c.autoDotted);
        EXPECT_EQ(r.halftone.iGrayMethod, c.grayMethod);
        EXPECT_EQ(r.halftone.iLiangdu, c.light);
        EXPECT_EQ(r.halftone.iDuibidu, c.contrast);
        // Everything else is the initial column.
        EXPECT_EQ(r.device.iSpeed, -1);
        EXPECT_EQ(r.device.iDensity, -1);
        EXPECT_EQ(r.device.iHeadType, -1);
        EXPECT_EQ(r.device.iGapHeight, 3);
        EXPECT_EQ(r.device.bPauseKey, 1);
        EXPECT_EQ(r.halftone.iThreValue, 175);
        const WatermarkSettings defaults = WatermarkSettingsDefaults();
        EXPECT_EQ(std::memcmp(&r.watermark, &defaults, sizeof defaults), 0);
    }
}

TEST(InitialRecordsForModel, FollowsTheDottedLineFlagRule) {
    const struct {
        const char* attribute;
        int expected;
    } cases[] = {
        {R"(dottedline="false")", 0}, {R"(dottedline="Yes")", 1},
        {R"(dottedline="true")", 1},  {R"(dottedline="1")", 1},
        {R"(dottedline="0")", 0},     {R"(dottedline="no")", 0},
        {R"(dottedline="")", 0},      {"", 1},
    };
    for (const auto& c : cases) {
        const std::string xml =
            std::string("<Drivers><Driver name=\"M\" ") + c.attribute + "/></Drivers>";
        CModelDatabase db;
        db.LoadFromBuffer(xml.data(), xml.size());
        EXPECT_EQ(InitialRecordsForModel(db, "M").device.bAutoDotted, c.expected) << c.attribute;
    }
}

template <typename Record>
std::vector<BYTE> BytesOf(const Record& record) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&record);
    return std::vector<BYTE>(bytes, bytes + sizeof record);
}

TEST(InitPrinterParameters, WritesTheThreeRecordsOfThePrinterNamesModel) {
    CModelDatabase db = LoadedDatabase();
    FakeSpooler spooler;
    ScopedSpooler current(spooler);
    // The queue is named after the model; its driver name is another model on purpose.
    spooler.AddPrinter(u"Full", u"Plain");
    InitPrinterParameters(db, u"Full");

    const InitialPrinterRecords expected = InitialRecordsForModel(db, "Full");
    ASSERT_EQ(spooler.writes.size(), 3u);
    const std::u16string names[] = {u"ZDDATA", u"ZDDATA1", u"WaterMark"};
    const std::vector<BYTE> data[] = {BytesOf(expected.device), BytesOf(expected.halftone),
                                      BytesOf(expected.watermark)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(spooler.writes[i].key, u"PrinterDriverData");
        EXPECT_EQ(spooler.writes[i].value, names[i]);
        EXPECT_EQ(spooler.writes[i].type, static_cast<DWORD>(REG_BINARY));
        EXPECT_EQ(spooler.writes[i].data, data[i]);
    }
    EXPECT_EQ(spooler.writes[0].data.size(), 68u);
    EXPECT_EQ(spooler.writes[2].data.size(), 564u);
    EXPECT_EQ(spooler.openAccess, std::vector<DWORD>{0xF000C});
    EXPECT_EQ(spooler.openHandles, 0);
}

TEST(InitPrinterParameters, AQueueThatIsNoModelGetsTheAttributeDefaults) {
    CModelDatabase db = LoadedDatabase();
    FakeSpooler spooler;
    ScopedSpooler current(spooler);
    spooler.AddPrinter(u"Warehouse 3", u"Full");
    InitPrinterParameters(db, u"Warehouse 3");
    ASSERT_EQ(spooler.writes.size(), 3u);
    DeviceSettings device;
    std::memcpy(&device, spooler.writes[0].data.data(), sizeof device);
    EXPECT_EQ(device.iPaperType, 1);
    EXPECT_EQ(device.bAutoDotted, 1);
    EXPECT_EQ(device.iSpeed, -1);
}

TEST(InitPrinterParameters, AFailedWriteDoesNotStopTheNext) {
    CModelDatabase db = LoadedDatabase();
    FakeSpooler spooler;
    ScopedSpooler current(spooler);
    spooler.AddPrinter(u"Full", u"Full");
    spooler.failValues.insert(u"ZDDATA");
    InitPrinterParameters(db, u"Full");
    EXPECT_EQ(spooler.writes.size(), 3u);
}

TEST(InitPrinterParameters, WritesNothingToAPrinterItCannotOpenOrRead) {
    CModelDatabase db = LoadedDatabase();
    {
        FakeSpooler spooler;
        ScopedSpooler current(spooler);
        spooler.AddPrinter(u"Full", u"Full");
        spooler.failOpen.insert(u"Full");
        TraceCapture trace;
        InitPrinterParameters(db, u"Full");
        EXPECT_TRUE(spooler.writes.empty());
        EXPECT_TRUE(trace.Has("OpenPrinter error = 5, Access is denied."));
    }
    {
        FakeSpooler spooler;
        ScopedSpooler current(spooler);
        spooler.AddPrinter(u"Full", u"Full");
        spooler.failGetPrinter = true;
        InitPrinterParameters(db, u"Full");
        EXPECT_TRUE(spooler.writes.empty());
        EXPECT_EQ(spooler.openHandles, 0);
    }
    FakeSpooler spooler;
    ScopedSpooler current(spooler);
    InitPrinterParameters(db, nullptr);
    EXPECT_TRUE(spooler.writes.empty());
}

}  // namespace
