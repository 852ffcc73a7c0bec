// Reading and writing the records in printer data, the own printer handle and the private
// DEVMODE rules of both plug-ins.
#include <gtest/gtest.h>

#include <cstring>

#include "host/memory_spooler.h"
#include "host/trace.h"
#include "settings/printer_data.h"

namespace {

constexpr char16_t kPrinter[] = u"Label";

class PrinterDataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::SetCurrentSpooler(&m_spooler);
        host::ClearTrace();
        ASSERT_TRUE(m_spooler.AddDriverSimple(u"Driver"));
        ASSERT_TRUE(m_spooler.CreatePrinter(kPrinter, u"Driver", u"FILE:"));
        ASSERT_TRUE(m_spooler.OpenPrinterW(kPrinter, &m_host, PRINTER_ACCESS_USE));
    }
    void TearDown() override {
        m_spooler.ClosePrinter(m_host);
        EXPECT_EQ(m_spooler.OpenHandleCount(), 0) << "a printer handle was left open";
        host::SetCurrentSpooler(nullptr);
    }
    void Store(const char16_t* value, std::vector<BYTE> bytes) {
        ASSERT_TRUE(m_spooler.SetPrinterValue(kPrinter, kPrinterDriverDataKey, value, REG_BINARY,
                                              std::move(bytes)));
    }
    bool TraceStartsWith(const std::string& prefix) const {
        for (const std::string& l : host::TraceLines()) {
            if (l.rfind(prefix, 0) == 0)
                return true;
        }
        return false;
    }

    host::MemorySpooler m_spooler;
    HANDLE m_host = nullptr;
};

TEST_F(PrinterDataTest, TwoStepReadOfStoredShortEmptyAndMissingValues) {
    Store(u"Full", std::vector<BYTE>(68, 0x11));
    Store(u"Short", std::vector<BYTE>(40, 0x22));
    Store(u"Empty", {});
    RecordBuffer full(68), shortOne(68), empty(68), missing(68);
    std::fill(empty.bytes.begin(), empty.bytes.end(), 0x33);

    EXPECT_TRUE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, u"Full", full));
    EXPECT_EQ(full.bytes, std::vector<BYTE>(68, 0x11));
    EXPECT_TRUE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, u"Short", shortOne));
    EXPECT_EQ(shortOne.used, 40u);
    EXPECT_EQ(shortOne.bytes.size(), 68u);  // never shrinks; the rest is zero
    EXPECT_EQ(shortOne.bytes[39], 0x22);
    EXPECT_EQ(shortOne.bytes[40], 0);
    // An empty stored value reads successfully and leaves the buffer as it was.
    EXPECT_TRUE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, u"Empty", empty));
    EXPECT_EQ(empty.bytes, std::vector<BYTE>(68, 0x33));
    EXPECT_FALSE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, u"Missing", missing));
    EXPECT_TRUE(TraceStartsWith(
        "GetPrinterData1 dwStatus = 2 error = 2, The system cannot find the file specified."));
}

TEST_F(PrinterDataTest, ShortRecordLoadsWithZeroFields) {
    DeviceSettings stored = DeviceSettingsFallback();
    stored.iSpeed = 5;
    std::vector<BYTE> bytes(40);
    std::memcpy(bytes.data(), &stored, 40);
    Store(kDeviceSettingsValue, bytes);
    SettingsRecords records;
    LoadSettingsRecords(m_host, records);
    DeviceSettings d = records.Device();
    EXPECT_EQ(d.iSpeed, 5);
    EXPECT_EQ(d.bWasteMark, 1);  // field 9 is inside the 40 bytes
    for (std::int32_t field : {d.iPaperType, d.iGapHeight, d.iGapOffset, d.iFeed, d.iPostAction,
                               d.iPostActionWhen, d.iHeadType}) {
        EXPECT_EQ(field, 0);
    }
    // The other two records were missing: fallbacks.
    HalftoneSettings h = records.Halftone();
    EXPECT_EQ(h.iGrayMethod, 3);
    EXPECT_EQ(h.iThreValue, 175);
    EXPECT_EQ(records.Watermark().iAlign, 9);
}

TEST_F(PrinterDataTest, PrinterWithoutRecordsShowsTheFallbacks) {
    CSettingsStore store;
    ASSERT_TRUE(store.OpenPrinterFromHandle(m_host));
    store.LoadPrinterParameters();
    DeviceSettings d = store.m_records.Device();
    EXPECT_EQ(d.iSpeed, 14);
    EXPECT_EQ(d.iDensity, 8);
    EXPECT_EQ(d.iPaperType, 0);
    EXPECT_EQ(d.iHeadType, 0);
    EXPECT_EQ(d.bAutoDotted, 0);
    EXPECT_EQ(store.m_records.Halftone().iGrayMethod, 3);
    EXPECT_TRUE(store.m_language.empty());
}

TEST_F(PrinterDataTest, PrintLanguageIsTheFirstString) {
    ASSERT_TRUE(m_spooler.SetPrintLanguage(kPrinter, u"escpos"));
    std::u16string language = u"before";
    EXPECT_TRUE(ReadPrintLanguage(m_host, language));
    EXPECT_EQ(language, u"escpos");
    // A value without its terminator stops at its stored length.
    std::u16string raw = u"cpclXYZ";
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(raw.data()),
                            reinterpret_cast<const BYTE*>(raw.data()) + 8);
    ASSERT_TRUE(m_spooler.SetPrinterValue(kPrinter, kDsDriverKey, kPrintLanguageValue, REG_MULTI_SZ,
                                          bytes));
    EXPECT_TRUE(ReadPrintLanguage(m_host, language));
    EXPECT_EQ(language, u"cpcl");
    ASSERT_TRUE(m_spooler.RemovePrinterValue(kPrinter, kDsDriverKey, kPrintLanguageValue));
    EXPECT_FALSE(ReadPrintLanguage(m_host, language));
    EXPECT_EQ(language, u"cpcl");
}

TEST_F(PrinterDataTest, StoreWritesTheThreeRecordsThroughItsOwnHandle) {
    CSettingsStore store;
    ASSERT_TRUE(store.OpenPrinterFromHandle(m_host));
    store.LoadPrinterParameters();
    DeviceSettings d = store.m_records.Device();
    d.iSpeed = 3;
    store.m_records.device.Assign(d);
    store.SetPrinterParameters();
    auto stored = m_spooler.PrinterValue(kPrinter, kPrinterDriverDataKey, kDeviceSettingsValue);
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 68u);
    EXPECT_EQ(reinterpret_cast<const DeviceSettings*>(stored->data())->iSpeed, 3);
    EXPECT_EQ(
        m_spooler.PrinterValue(kPrinter, kPrinterDriverDataKey, kHalftoneSettingsValue)->size(),
        16u);
    EXPECT_EQ(
        m_spooler.PrinterValue(kPrinter, kPrinterDriverDataKey, kWatermarkSettingsValue)->size(),
        564u);

    // A failing write is traced and the next value is still written.
    host::Fault fault;
    fault.operation = "SetPrinterDataW";
    fault.name = kDeviceSettingsValue;
    m_spooler.InjectFault(fault);
    ASSERT_TRUE(
        m_spooler.RemovePrinterValue(kPrinter, kPrinterDriverDataKey, kHalftoneSettingsValue));
    store.SetPrinterParameters();
    EXPECT_TRUE(TraceStartsWith("CPrinterUI::SetPrinterParameters SetPrinterData failed. ret=5"));
    EXPECT_TRUE(m_spooler.PrinterValue(kPrinter, kPrinterDriverDataKey, kHalftoneSettingsValue));
}

TEST_F(PrinterDataTest, UnopenablePrinterLeavesFallbacksAndWritesNothing) {
    m_spooler.InjectFault("OpenPrinterW", ERROR_ACCESS_DENIED);
    CSettingsStore store;
    EXPECT_FALSE(store.OpenPrinterFromHandle(m_host));
    EXPECT_TRUE(TraceStartsWith("OpenPrinter error = 5, Access is denied."));
    EXPECT_EQ(store.m_hPrinter, nullptr);
    store.LoadPrinterParameters();
    EXPECT_EQ(store.m_records.Device().iSpeed, 14);
    host::ClearTrace();
    store.SetPrinterParameters();
    EXPECT_EQ(host::TraceLines(),
              std::vector<std::string>{"CPrinterUI::SetPrinterParameters m_hPrinter is null"});
    EXPECT_FALSE(m_spooler.PrinterValue(kPrinter, kPrinterDriverDataKey, kDeviceSettingsValue));

    // The information query of the host's handle failing is a failure too.
    m_spooler.InjectFault("GetPrinterW", ERROR_INVALID_HANDLE);
    EXPECT_FALSE(store.OpenPrinterFromHandle(m_host));
}

TEST(PrivateDevmode, MergeRulesOfEachPlugin) {
    const struct {
        std::int32_t stored;
        std::int32_t configuration;
        std::int32_t render;
    } cases[] = {{100, 100, 0}, {-5, -5, 0}, {101, 0, 0}};
    for (const auto& c : cases) {
        for (OemPlugin plugin : {OemPlugin::Configuration, OemPlugin::Render}) {
            OemPrivateDevmode in{16, kOemSignature, 1, c.stored}, out{16, kOemSignature, 1, 0};
            OEMDMPARAM param{};
            param.pOEMDMIn = &in;
            param.pOEMDMOut = &out;
            EXPECT_EQ(OemDevMode(OEMDM_MERGE, &param, plugin), S_OK);
            EXPECT_EQ(out.dwDriverData, plugin == OemPlugin::Render ? c.render : c.configuration)
                << c.stored;
        }
    }
}

TEST(PrivateDevmode, DefaultsOfEachPlugin) {
    OemPrivateDevmode out{};
    DEVMODEW publicDm{};
    OEMDMPARAM param{};
    param.pOEMDMOut = &out;
    param.pPublicDMIn = &publicDm;
    int formApplied = 0;
    auto apply = [&](HANDLE, DEVMODEW* dm) {
        EXPECT_EQ(dm, &publicDm);
        ++formApplied;
    };
    EXPECT_EQ(OemDevMode(OEMDM_DEFAULT, &param, OemPlugin::Configuration, apply), S_OK);
    EXPECT_EQ(out.dwDriverData, 1);
    EXPECT_EQ(OemDevMode(OEMDM_DEFAULT, &param, OemPlugin::Render, apply), S_OK);
    EXPECT_EQ(out.dwDriverData, 0);
    EXPECT_EQ(formApplied, 1);
    EXPECT_EQ(out.dwSize, 16u);
    EXPECT_EQ(out.dwSignature, kOemSignature);
    EXPECT_EQ(out.dwVersion, 1u);
    EXPECT_EQ(OemDevMode(OEMDM_SIZE, &param, OemPlugin::Configuration), S_OK);
    EXPECT_EQ(param.cbBufSize, 16u);
    EXPECT_EQ(OemDevMode(0, &param, OemPlugin::Configuration), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
