// The spooler seam on the system's spooler, with the calls the render plug-in makes: a
// printer of this test's own, its data read in two steps, its records and language loaded, the
// plug-in's own handle opened from the host's, and the records written back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/win/win32_spooler.h"
#include "settings/printer_data.h"
#include "tests/win/test_util.h"

namespace {

constexpr char16_t kDriver[] = u"Zendor Spooler Test Driver";

const char16_t* U(const std::wstring& text) {
    return reinterpret_cast<const char16_t*>(text.c_str());
}

template <class T>
std::vector<BYTE> Bytes(const T& value) {
    const auto* p = reinterpret_cast<const BYTE*>(&value);
    return {p, p + sizeof value};
}

class Win32SpoolerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::wstring stub = ProgramFolder() + L"zendor-render-config.dll";
        std::wstring driver = reinterpret_cast<const wchar_t*>(kDriver);
        DRIVER_INFO_3W info{};
        info.cVersion = 3;
        info.pName = driver.data();
        info.pDriverPath = info.pDataFile = info.pConfigFile = stub.data();
        ASSERT_TRUE(m_spooler.AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                                                  APD_COPY_NEW_FILES))
            << GetLastError();
        m_name = L"Zendor Spooler Test " + std::to_wstring(GetCurrentProcessId());
        PRINTER_INFO_2W printer{};
        printer.pPrinterName = m_name.data();
        printer.pPortName = const_cast<LPWSTR>(L"FILE:");
        printer.pDriverName = driver.data();
        printer.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
        printer.pDatatype = const_cast<LPWSTR>(L"RAW");
        m_admin = m_spooler.AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
        ASSERT_NE(m_admin, nullptr) << GetLastError();
        ASSERT_TRUE(m_spooler.OpenPrinterW(U(m_name), &m_host, PRINTER_ACCESS_USE));
        host::SetCurrentSpooler(nullptr);  // the plug-in's code uses the system's spooler
    }
    void TearDown() override {
        if (m_host)
            m_spooler.ClosePrinter(m_host);
        if (m_admin) {
            EXPECT_TRUE(m_spooler.DeletePrinter(m_admin));
            m_spooler.ClosePrinter(m_admin);
        }
    }
    void Store(const char16_t* key, const char16_t* value, DWORD type, std::vector<BYTE> bytes) {
        ASSERT_EQ(m_spooler.SetPrinterDataExW(m_admin, key, value, type, bytes.data(),
                                              static_cast<DWORD>(bytes.size())),
                  static_cast<DWORD>(ERROR_SUCCESS));
    }

    host::Win32Spooler m_spooler;
    std::wstring m_name;
    HANDLE m_admin = nullptr;
    HANDLE m_host = nullptr;
};

TEST_F(Win32SpoolerTest, PrinterDataInTwoSteps) {
    Store(kPrinterDriverDataKey, u"Full", REG_BINARY, std::vector<BYTE>(68, 0x11));
    Store(kPrinterDriverDataKey, u"Short", REG_BINARY, std::vector<BYTE>(40, 0x22));
    Store(kPrinterDriverDataKey, u"Empty", REG_BINARY, {});
    DWORD type = 0, needed = 0;
    BYTE probe = 0;
    EXPECT_EQ(m_spooler.GetPrinterDataExW(m_host, kPrinterDriverDataKey, u"Full", &type, &probe, 0,
                                          &needed),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(needed, 68u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

    RecordBuffer full(68), shortOne(68), empty(68), missing(68);
    std::fill(empty.bytes.begin(), empty.bytes.end(), 0x33);
    EXPECT_TRUE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, u"Full", full));
    EXPECT_EQ(full.bytes, std::vector<BYTE>(68, 0x11));
    EXPECT_TRUE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, u"Short", shortOne));
    EXPECT_EQ(shortOne.used, 40u);
    std::vector<BYTE> expected(40, 0x22);
    expected.resize(68, 0);
    EXPECT_EQ(shortOne.bytes, expected);
    EXPECT_TRUE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, u"Empty", empty));
    EXPECT_EQ(empty.bytes, std::vector<BYTE>(68, 0x33));
    EXPECT_FALSE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, u"Missing", missing));
    EXPECT_EQ(m_spooler.GetPrinterDataExW(m_host, kPrinterDriverDataKey, u"Missing", &type, &probe,
                                          0, &needed),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Win32SpoolerTest, RecordsAndLanguageThroughTheOwnHandle) {
    const char16_t list[] = u"tspl\0";
    const auto* text = reinterpret_cast<const BYTE*>(list);
    Store(kDsDriverKey, kPrintLanguageValue, REG_MULTI_SZ, {text, text + sizeof list});
    DeviceSettings device = DeviceSettingsFallback();
    device.iSpeed = 3;
    Store(kPrinterDriverDataKey, kDeviceSettingsValue, REG_BINARY, Bytes(device));

    CSettingsStore store;
    ASSERT_TRUE(store.OpenPrinterFromHandle(m_host));
    ASSERT_NE(store.m_hPrinter, nullptr);
    store.LoadPrinterParameters();
    EXPECT_EQ(store.m_language, u"tspl");
    EXPECT_EQ(store.m_records.Device().iSpeed, 3);
    EXPECT_EQ(store.m_records.Halftone().iThreValue, HalftoneSettingsFallback().iThreValue);

    // Written back through SetPrinterDataW, which stores under "PrinterDriverData".
    HalftoneSettings halftone = store.m_records.Halftone();
    halftone.iThreValue = 99;
    store.m_records.halftone.Assign(halftone);
    store.SetPrinterParameters();
    RecordBuffer read(kHalftoneSettingsSize);
    ASSERT_TRUE(ReadPrinterDataValue(m_host, kPrinterDriverDataKey, kHalftoneSettingsValue, read));
    EXPECT_EQ(read.As<HalftoneSettings>().iThreValue, 99);
    store.ClosePrinter();
}

TEST_F(Win32SpoolerTest, RefusalsAndTextsCrossTheAdapter) {
    HANDLE none = nullptr;
    EXPECT_FALSE(m_spooler.OpenPrinterW(u"No Such Printer Here", &none, PRINTER_ACCESS_USE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));

    DWORD needed = 0;
    EXPECT_FALSE(m_spooler.GetPrinterW(m_host, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<BYTE> info(needed);
    ASSERT_TRUE(m_spooler.GetPrinterW(m_host, 2, info.data(), needed, &needed));
    const auto* printer = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    EXPECT_EQ(std::wstring(printer->pPrinterName), m_name);
    EXPECT_EQ(std::wstring(printer->pPortName), L"FILE:");

    std::vector<BYTE> folder(1024);
    ASSERT_TRUE(m_spooler.GetPrinterDriverDirectoryW(nullptr, u"Windows x64", 1, folder.data(),
                                                     static_cast<DWORD>(folder.size()), &needed));
    std::u16string path(reinterpret_cast<const char16_t*>(folder.data()));
    EXPECT_EQ(path.substr(path.size() - 4), u"\\x64") << std::string(path.begin(), path.end());

    // Looked up at run time: absent from some spoolers, which then answer E_NOTIMPL.
    if (!GetProcAddress(GetModuleHandleW(L"winspool.drv"), "DeletePrinterDriverPackageW")) {
        EXPECT_EQ(m_spooler.DeletePrinterDriverPackageW(nullptr, u"C:\\none.inf", nullptr),
                  E_NOTIMPL);
    }
}

}  // namespace
