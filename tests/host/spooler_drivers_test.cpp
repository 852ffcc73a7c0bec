#include "tests/host/spooler_test_util.h"

namespace spooler_test {
namespace {

constexpr const char16_t* kX64Dir = u"C:\\Windows\\System32\\spool\\drivers\\x64";

// A driver description as the installer hands it over: bare file names.
DRIVER_INFO_3W Description(const char16_t* name, const char16_t* environment) {
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = W(name);
    info.pEnvironment = W(environment);
    info.pDriverPath = W(u"unidrv.DLL");
    info.pDataFile = W(u"LP-200.gpd");
    info.pConfigFile = W(u"unidrvui.dll");
    info.pDependentFiles = W(u"ZendorPrtUI.dll\0ZendorPrtUNI.dll\0STDNAMES.GPD\0");
    info.pDefaultDataType = W(u"RAW");
    return info;
}

class DriverTest : public SpoolerTest {
  protected:
    std::vector<BYTE> Drivers(const char16_t* environment, DWORD level, DWORD* returned) {
        return TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
            return spooler.EnumPrinterDriversW(nullptr, environment, level, b, s, n, returned);
        });
    }
};

TEST_F(DriverTest, AddedDriverListsWithItsFilesInTheDriverDirectory) {
    DRIVER_INFO_3W info = Description(u"LP-200", u"Windows x64");
    ASSERT_TRUE(spooler.AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info)));
    DWORD returned = 0;
    std::vector<BYTE> buffer = Drivers(u"Windows x64", 3, &returned);
    ASSERT_EQ(returned, 2u);
    const auto* d = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data()) + 1;
    const std::u16string dir = std::u16string(kX64Dir) + u"\\3\\";
    EXPECT_EQ(d->cVersion, 3u);
    EXPECT_EQ(Packed(buffer, d->pName), u"LP-200");
    EXPECT_EQ(Packed(buffer, d->pEnvironment), u"Windows x64");
    EXPECT_EQ(Packed(buffer, d->pDriverPath), dir + u"unidrv.DLL");
    EXPECT_EQ(Packed(buffer, d->pDataFile), dir + u"LP-200.gpd");
    EXPECT_EQ(Packed(buffer, d->pConfigFile), dir + u"unidrvui.dll");
    EXPECT_EQ(PackedList(buffer, d->pDependentFiles),
              (std::vector<std::u16string>{dir + u"ZendorPrtUI.dll", dir + u"ZendorPrtUNI.dll",
                                           dir + u"STDNAMES.GPD"}));
    EXPECT_EQ(d->pHelpFile, nullptr);
    EXPECT_EQ(d->pMonitorName, nullptr);
    EXPECT_EQ(Packed(buffer, d->pDefaultDataType), u"RAW");

    // Environments keep their drivers apart.
    DWORD needed = 99;
    EXPECT_TRUE(
        spooler.EnumPrinterDriversW(nullptr, u"Windows NT x86", 3, nullptr, 0, &needed, &returned));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);
    DRIVER_INFO_3W x86 = Description(u"LP-200", u"Windows NT x86");
    ASSERT_TRUE(
        spooler.AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&x86), APD_COPY_ALL_FILES));
    EXPECT_TRUE(spooler.HasDriver(u"LP-200", u"Windows NT x86"));
    Drivers(u"all", 1, &returned);
    EXPECT_EQ(returned, 3u);
}

TEST_F(DriverTest, AddingAgainReplacesTheDriver) {
    DRIVER_INFO_3W info = Description(u"LP-200", nullptr);
    ASSERT_TRUE(spooler.AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info)));
    info.pDataFile = W(u"LP-200-3.gpd");
    ASSERT_TRUE(spooler.AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                                            APD_COPY_ALL_FILES));
    DWORD returned = 0;
    std::vector<BYTE> buffer = Drivers(nullptr, 2, &returned);
    ASSERT_EQ(returned, 2u);
    const auto* d = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data()) + 1;
    EXPECT_EQ(Packed(buffer, d->pDataFile), std::u16string(kX64Dir) + u"\\3\\LP-200-3.gpd");
}

TEST_F(DriverTest, AddingRefusesIncompleteDescriptions) {
    struct Case {
        DWORD level;
        const char16_t* name;
        const char16_t* environment;
        DWORD error;
    } cases[] = {
        {3, u"", nullptr, ERROR_INVALID_PARAMETER},
        {3, u"LP-300", u"Windows 4.0", ERROR_INVALID_ENVIRONMENT},
        {4, u"LP-300", nullptr, ERROR_INVALID_LEVEL},
    };
    for (const Case& c : cases) {
        DRIVER_INFO_3W info = Description(c.name, c.environment);
        EXPECT_FALSE(spooler.AddPrinterDriverW(nullptr, c.level, reinterpret_cast<BYTE*>(&info)));
        EXPECT_EQ(GetLastError(), c.error);
    }
    DRIVER_INFO_3W noData = Description(u"LP-300", nullptr);
    noData.pDataFile = nullptr;
    EXPECT_FALSE(spooler.AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&noData)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(spooler.HasDriver(u"LP-300"));
}

TEST_F(DriverTest, LevelEightCarriesTheInfPath) {
    ASSERT_TRUE(spooler.AddDriverSimple(u"LP-400", {}, u"C:\\Store\\lp400.inf"));
    DWORD returned = 0;
    std::vector<BYTE> buffer = Drivers(nullptr, 8, &returned);
    ASSERT_EQ(returned, 2u);
    const auto* list = reinterpret_cast<const DRIVER_INFO_8W*>(buffer.data());
    EXPECT_EQ(Packed(buffer, list[0].pName), u"LP-100");
    EXPECT_EQ(list[0].pszInfPath, nullptr);
    EXPECT_EQ(Packed(buffer, list[1].pszInfPath), u"C:\\Store\\lp400.inf");
    EXPECT_TRUE(spooler.HasDriverPackage(u"c:\\store\\LP400.INF"));
}

TEST_F(DriverTest, GetPrinterDriverAnswersForThePrintersDriver) {
    for (DWORD level : {2u, 3u}) {
        std::vector<BYTE> buffer = TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
            return spooler.GetPrinterDriverW(printer, nullptr, level, b, s, n);
        });
        EXPECT_EQ(Packed(buffer, reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data())->pName),
                  u"LP-100");
    }
    DWORD needed = 0;
    EXPECT_FALSE(spooler.GetPrinterDriverW(printer, u"Windows NT x86", 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
    EXPECT_FALSE(spooler.GetPrinterDriverW(printer, u"Windows ARM", 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));
}

TEST_F(DriverTest, DeletionWaitsForPrintersAndPackagesWaitForDrivers) {
    const std::u16string inf = u"C:\\Store\\lp100.inf";
    ASSERT_TRUE(spooler.AddDriverSimple(u"LP-100", {}, inf));  // re-added from a package
    EXPECT_FALSE(
        spooler.DeletePrinterDriverExW(nullptr, nullptr, u"LP-100", DPD_DELETE_UNUSED_FILES, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE));
    EXPECT_FALSE(
        spooler.DeletePrinterDriverExW(nullptr, nullptr, u"LP-999", DPD_DELETE_ALL_FILES, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
    EXPECT_EQ(spooler.DeletePrinterDriverPackageW(nullptr, inf.c_str(), nullptr),
              HRESULT_FROM_WIN32(ERROR_PRINTER_DRIVER_PACKAGE_IN_USE));

    ASSERT_TRUE(spooler.DeletePrinter(printer));
    EXPECT_FALSE(spooler.DeletePrinterDriverExW(nullptr, nullptr, u"LP-100",
                                                DPD_DELETE_SPECIFIC_VERSION, 2));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
    EXPECT_TRUE(spooler.DeletePrinterDriverExW(nullptr, u"Windows x64", u"LP-100",
                                               DPD_DELETE_UNUSED_FILES, 0));
    EXPECT_FALSE(spooler.HasDriver(u"LP-100"));
    EXPECT_TRUE(spooler.HasDriverPackage(inf));  // the store keeps it until asked
    EXPECT_EQ(spooler.DeletePrinterDriverPackageW(nullptr, inf.c_str(), nullptr), S_OK);
    EXPECT_EQ(spooler.DeletePrinterDriverPackageW(nullptr, inf.c_str(), nullptr),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(DriverTest, DriverDirectoryPerEnvironment) {
    struct Case {
        const char16_t* environment;
        const char16_t* directory;
    } cases[] = {
        {u"Windows x64", kX64Dir},
        {u"Windows NT x86", u"C:\\Windows\\System32\\spool\\drivers\\W32X86"},
        {nullptr, kX64Dir},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> buffer = TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
            return spooler.GetPrinterDriverDirectoryW(nullptr, c.environment, 1, b, s, n);
        });
        EXPECT_EQ(buffer.size(), (std::u16string(c.directory).size() + 1) * 2);
        EXPECT_EQ(Packed(buffer, reinterpret_cast<const WCHAR*>(buffer.data())), c.directory);
    }
    DWORD needed = 0;
    EXPECT_FALSE(
        spooler.GetPrinterDriverDirectoryW(nullptr, u"Windows 4.0", 1, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));

    // A spooler of a 32-bit system answers for its own environment by default.
    ASSERT_TRUE(spooler.SetLocalEnvironment(host::MemorySpooler::kX86));
    std::vector<BYTE> buffer = TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
        return spooler.GetPrinterDriverDirectoryW(nullptr, nullptr, 1, b, s, n);
    });
    EXPECT_EQ(Packed(buffer, reinterpret_cast<const WCHAR*>(buffer.data())),
              u"C:\\Windows\\System32\\spool\\drivers\\W32X86");
}

TEST_F(DriverTest, PortsAreSeededAndTestsAddMore) {
    ASSERT_TRUE(spooler.AddPortSimple(u"USB001", u"USB Monitor", u"Virtual printer port for USB"));
    EXPECT_FALSE(spooler.AddPortSimple(u"usb001"));
    DWORD returned = 0;
    std::vector<BYTE> buffer = TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
        return spooler.EnumPortsW(nullptr, 2, b, s, n, &returned);
    });
    const auto* ports = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
    std::vector<std::u16string> names;
    for (DWORD i = 0; i < returned; ++i)
        names.push_back(Packed(buffer, ports[i].pPortName));
    EXPECT_EQ(names, (std::vector<std::u16string>{u"LPT1:", u"LPT2:", u"LPT3:", u"COM1:", u"COM2:",
                                                  u"COM3:", u"COM4:", u"FILE:", u"USB001"}));
    EXPECT_EQ(Packed(buffer, ports[0].pMonitorName), u"Local Port");
    EXPECT_EQ(Packed(buffer, ports[8].pMonitorName), u"USB Monitor");
    EXPECT_EQ(Packed(buffer, ports[8].pDescription), u"Virtual printer port for USB");
    EXPECT_EQ(ports[8].fPortType, static_cast<DWORD>(PORT_TYPE_WRITE));
    EXPECT_TRUE(spooler.CreatePrinter(u"On USB", u"LP-100", u"USB001"));

    DWORD needed = 0;
    EXPECT_FALSE(spooler.EnumPortsW(nullptr, 3, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

}  // namespace
}  // namespace spooler_test
