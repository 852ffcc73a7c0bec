#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/memory_spooler.h"
#include "settings/printer_init.h"
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

constexpr const char16_t* kValues[] = {u"ZDDATA", u"ZDDATA1", u"WaterMark"};

class InitPrinterParametersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::SetCurrentSpooler(&m_spooler);
        // The driver is another model on purpose: the queue's name decides.
        ASSERT_TRUE(m_spooler.AddDriverSimple(u"Plain"));
    }
    void TearDown() override {
        EXPECT_EQ(m_spooler.OpenHandleCount(), 0) << "a printer handle was left open";
        host::SetCurrentSpooler(nullptr);
    }
    void AddQueue(const std::u16string& name) {
        ASSERT_TRUE(m_spooler.CreatePrinter(name, u"Plain", u"FILE:"));
    }
    std::optional<std::vector<BYTE>> Stored(const std::u16string& printer, const char16_t* value,
                                            DWORD* type = nullptr) const {
        return m_spooler.PrinterValue(printer, kPrinterDriverDataKey, value, type);
    }

    host::MemorySpooler m_spooler;
    CModelDatabase db = LoadedDatabase();
};

TEST_F(InitPrinterParametersTest, WritesTheThreeRecordsOfTheQueueNamesModel) {
    AddQueue(u"Full");
    InitPrinterParameters(db, u"Full");

    const InitialPrinterRecords expected = InitialRecordsForModel(db, "Full");
    const std::vector<BYTE> data[] = {BytesOf(expected.device), BytesOf(expected.halftone),
                                      BytesOf(expected.watermark)};
    for (int i = 0; i < 3; ++i) {
        DWORD type = 0;
        EXPECT_EQ(Stored(u"Full", kValues[i], &type), data[i]);
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    }
    EXPECT_EQ(data[0].size(), 68u);
    EXPECT_EQ(data[2].size(), 564u);
    EXPECT_EQ(m_spooler.CallCount("SetPrinterDataExW"), 3);
}

TEST_F(InitPrinterParametersTest, RunsAsThePrinterInitialiseEventOfANewQueue) {
    m_spooler.SetPrinterAddedHook(
        [this](const std::u16string& name) { InitPrinterParameters(db, name.c_str()); });
    AddQueue(u"Warehouse 3");  // no model of that name
    const std::optional<std::vector<BYTE>> stored = Stored(u"Warehouse 3", u"ZDDATA");
    ASSERT_TRUE(stored);
    DeviceSettings device;
    ASSERT_EQ(stored->size(), sizeof device);
    std::memcpy(&device, stored->data(), sizeof device);
    EXPECT_EQ(device.iPaperType, 1);
    EXPECT_EQ(device.bAutoDotted, 1);
    EXPECT_EQ(device.iSpeed, -1);
    EXPECT_EQ(device.iDensity, -1);
    EXPECT_EQ(device.iHeadType, -1);
}

TEST_F(InitPrinterParametersTest, AFailedWriteDoesNotStopTheNext) {
    AddQueue(u"Full");
    host::Fault second;
    second.operation = "SetPrinterDataExW";
    second.skip = 1;  // the halftone record is the second write
    m_spooler.InjectFault(second);
    InitPrinterParameters(db, u"Full");
    EXPECT_TRUE(Stored(u"Full", u"ZDDATA"));
    EXPECT_FALSE(Stored(u"Full", u"ZDDATA1"));
    EXPECT_TRUE(Stored(u"Full", u"WaterMark"));
}

TEST_F(InitPrinterParametersTest, WritesNothingToAPrinterItCannotOpenOrRead) {
    AddQueue(u"Full");
    {
        m_spooler.InjectFault("OpenPrinterW", ERROR_ACCESS_DENIED);
        TraceCapture trace;
        InitPrinterParameters(db, u"Full");
        EXPECT_TRUE(
            trace.Has("OpenPrinter error = 5, " + host::SystemMessage(ERROR_ACCESS_DENIED)));
    }
    m_spooler.InjectFault("GetPrinterW", ERROR_INVALID_HANDLE);
    InitPrinterParameters(db, u"Full");
    InitPrinterParameters(db, u"No such printer");
    InitPrinterParameters(db, nullptr);
    for (const char16_t* value : kValues)
        EXPECT_FALSE(Stored(u"Full", value));
    EXPECT_EQ(m_spooler.CallCount("SetPrinterDataExW"), 0);
}

}  // namespace
