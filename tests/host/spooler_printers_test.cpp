#include <cstring>

#include "tests/host/spooler_test_util.h"

namespace spooler_test {
namespace {

PRINTER_INFO_2W LocalPrinter(const char16_t* name, const char16_t* driver, const char16_t* port) {
    PRINTER_INFO_2W info{};
    info.pPrinterName = W(name);
    info.pPortName = W(port);
    info.pDriverName = W(driver);
    info.pComment = W(u"a comment");
    info.pLocation = W(u"");
    info.pPrintProcessor = W(u"WinPrint");
    info.pDatatype = W(u"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    return info;
}

using PrinterTest = SpoolerTest;

TEST_F(PrinterTest, AddPrinterRefusesWhatDoesNotExistOrClashes) {
    struct Case {
        const char16_t* name;
        const char16_t* driver;
        const char16_t* port;
        const char16_t* processor;
        DWORD error;
    } cases[] = {
        {u"New", u"No such driver", u"FILE:", u"WinPrint", ERROR_UNKNOWN_PRINTER_DRIVER},
        {u"New", u"LP-100", u"USB001", u"WinPrint", ERROR_UNKNOWN_PORT},
        {u"New", u"LP-100", u"FILE:,USB001", u"WinPrint", ERROR_UNKNOWN_PORT},
        {u"lABEL", u"LP-100", u"FILE:", u"WinPrint", ERROR_PRINTER_ALREADY_EXISTS},
        {u"", u"LP-100", u"FILE:", u"WinPrint", ERROR_INVALID_PRINTER_NAME},
        {u"A,B", u"LP-100", u"FILE:", u"WinPrint", ERROR_INVALID_PRINTER_NAME},
        {u"New", u"LP-100", u"FILE:", u"Other", ERROR_UNKNOWN_PRINTPROCESSOR},
    };
    for (const Case& c : cases) {
        PRINTER_INFO_2W info = LocalPrinter(c.name, c.driver, c.port);
        info.pPrintProcessor = W(c.processor);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(spooler.AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)), nullptr);
        EXPECT_EQ(GetLastError(), c.error) << "case " << (&c - cases);
    }
    PRINTER_INFO_2W info = LocalPrinter(u"New", u"LP-100", u"FILE:");
    EXPECT_EQ(spooler.AddPrinterW(nullptr, 1, reinterpret_cast<BYTE*>(&info)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    EXPECT_FALSE(spooler.HasPrinter(u"New"));
}

TEST_F(PrinterTest, LevelTwoIsPackedIntoTheCallersBuffer) {
    PRINTER_INFO_2W given = LocalPrinter(u"Shop", u"LP-100", u"LPT1:");
    HANDLE added = spooler.AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&given));
    ASSERT_NE(added, nullptr);

    std::vector<BYTE> buffer = PrinterInfo(added, 2);
    ASSERT_GE(buffer.size(), sizeof(PRINTER_INFO_2W));
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    EXPECT_EQ(info->pServerName, nullptr);
    EXPECT_EQ(Packed(buffer, info->pPrinterName), u"Shop");
    EXPECT_EQ(Packed(buffer, info->pShareName), u"");
    EXPECT_EQ(Packed(buffer, info->pPortName), u"LPT1:");
    EXPECT_EQ(Packed(buffer, info->pDriverName), u"LP-100");
    EXPECT_EQ(Packed(buffer, info->pComment), u"a comment");
    EXPECT_EQ(Packed(buffer, info->pLocation), u"");
    EXPECT_EQ(Packed(buffer, info->pSepFile), u"");
    EXPECT_EQ(Packed(buffer, info->pPrintProcessor), u"WinPrint");
    EXPECT_EQ(Packed(buffer, info->pDatatype), u"RAW");
    EXPECT_EQ(Packed(buffer, info->pParameters), u"");
    EXPECT_EQ(info->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));
    EXPECT_EQ(info->cJobs, 0u);
    // A printer added without a DEVMODE gets the driver's default one.
    ASSERT_TRUE(Inside(buffer, info->pDevMode, sizeof(DEVMODEW)));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(info->pDevMode) % 4, 0u);
    EXPECT_EQ(info->pDevMode->dmSize, sizeof(DEVMODEW));
    EXPECT_EQ(Units(info->pDevMode->dmDeviceName, CCHDEVICENAME), u"Shop");
    EXPECT_EQ(Units(info->pDevMode->dmFormName, CCHFORMNAME), u"Letter");
    EXPECT_EQ(info->pDevMode->dmPaperSize, DMPAPER_LETTER);

    std::vector<BYTE> four = PrinterInfo(added, 4);
    const auto* info4 = reinterpret_cast<const PRINTER_INFO_4W*>(four.data());
    EXPECT_EQ(Packed(four, info4->pPrinterName), u"Shop");
    EXPECT_EQ(info4->pServerName, nullptr);
    EXPECT_EQ(info4->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));

    DWORD needed = 0;
    EXPECT_FALSE(spooler.GetPrinterW(added, 3, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    EXPECT_TRUE(spooler.ClosePrinter(added));
}

TEST_F(PrinterTest, HandlesOpenByNameAndCloseOnce) {
    HANDLE h = reinterpret_cast<HANDLE>(1);
    EXPECT_FALSE(spooler.OpenPrinterW(u"Nowhere", &h, PRINTER_ALL_ACCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(h, nullptr);

    HANDLE other = Open(u"LABEL");  // names compare without regard to case
    EXPECT_NE(other, printer);
    EXPECT_EQ(spooler.OpenHandleCount(), 2);
    EXPECT_TRUE(spooler.ClosePrinter(other));
    EXPECT_FALSE(spooler.ClosePrinter(other));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD needed = 0;
    for (HANDLE bad : {other, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        EXPECT_FALSE(spooler.GetPrinterW(bad, 2, nullptr, 0, &needed));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(spooler.OpenHandleCount(), 1);
    // A handle belongs to the spooler that gave it.
    host::MemorySpooler another;
    EXPECT_FALSE(another.GetPrinterW(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(spooler.GetPrinterW(printer, 2, nullptr, 4096, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
}

// The read, change, write-back pattern of renaming and of storing a paper.
TEST_F(PrinterTest, SetPrinterLevelTwoRenamesAndReplacesTheDefaultDevmode) {
    std::vector<BYTE> buffer = PrinterInfo(printer, 2);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    info->pPrinterName = W(u"Label 2");
    info->pDevMode->dmOrientation = DMORIENT_LANDSCAPE;
    info->pDevMode->dmFields |= DM_ORIENTATION;
    ASSERT_TRUE(spooler.SetPrinterW(printer, 2, buffer.data(), 0));

    EXPECT_FALSE(spooler.HasPrinter(u"Label"));
    HANDLE renamed = Open(u"Label 2");
    std::vector<BYTE> after = PrinterInfo(renamed, 2);
    const auto* now = reinterpret_cast<const PRINTER_INFO_2W*>(after.data());
    EXPECT_EQ(Packed(after, now->pPrinterName), u"Label 2");
    EXPECT_EQ(now->pDevMode->dmOrientation, DMORIENT_LANDSCAPE);
    spooler.ClosePrinter(renamed);
}

TEST_F(PrinterTest, SetPrinterLevelTwoChecksBeforeItChangesAnything) {
    ASSERT_TRUE(spooler.CreatePrinter(u"Other", u"LP-100", u"FILE:"));
    struct Case {
        const char16_t* name;
        const char16_t* port;
        const char16_t* driver;
        DWORD error;
    } cases[] = {
        {u"Other", u"FILE:", u"LP-100", ERROR_PRINTER_ALREADY_EXISTS},
        {u"Label", u"USB009", u"LP-100", ERROR_UNKNOWN_PORT},
        {u"Label", u"FILE:", u"LP-999", ERROR_UNKNOWN_PRINTER_DRIVER},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> buffer = PrinterInfo(printer, 2);
        auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
        info->pPrinterName = W(c.name);
        info->pPortName = W(c.port);
        info->pDriverName = W(c.driver);
        info->pComment = W(u"changed");
        EXPECT_FALSE(spooler.SetPrinterW(printer, 2, buffer.data(), 0));
        EXPECT_EQ(GetLastError(), c.error);
    }
    std::vector<BYTE> buffer = PrinterInfo(printer, 2);
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    EXPECT_EQ(Packed(buffer, info->pComment), u"");
    EXPECT_EQ(Packed(buffer, info->pPortName), u"FILE:");
}

TEST_F(PrinterTest, WritingNeedsAnAdministeringHandle) {
    HANDLE user = Open(u"Label", PRINTER_ACCESS_USE);
    std::vector<BYTE> buffer = PrinterInfo(user, 2);
    EXPECT_FALSE(spooler.SetPrinterW(user, 2, buffer.data(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    const BYTE one = 1;
    EXPECT_EQ(spooler.SetPrinterDataW(user, u"ZDDATA", REG_BINARY, &one, 1),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(spooler.DeletePrinter(user));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // Reading works through the same handle.
    ASSERT_EQ(spooler.SetPrinterDataW(printer, u"ZDDATA", REG_BINARY, &one, 1), 0u);
    DWORD needed = 0;
    EXPECT_EQ(spooler.GetPrinterDataExW(user, u"PrinterDriverData", u"ZDDATA", nullptr, nullptr, 0,
                                        &needed),
              static_cast<DWORD>(ERROR_MORE_DATA));
    spooler.ClosePrinter(user);
}

TEST_F(PrinterTest, LevelZeroCommandsAndLevelSevenPublishing) {
    DOC_INFO_1W doc{W(u"doc"), nullptr, nullptr};
    ASSERT_NE(spooler.StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&doc)), 0u);
    ASSERT_TRUE(spooler.EndDocPrinter(printer));
    ASSERT_EQ(spooler.JobIds(u"Label").size(), 1u);
    EXPECT_TRUE(spooler.SetPrinterW(printer, 0, nullptr, PRINTER_CONTROL_PURGE));
    EXPECT_TRUE(spooler.JobIds(u"Label").empty());
    EXPECT_FALSE(spooler.SetPrinterW(printer, 0, nullptr, 99));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_COMMAND));
    EXPECT_TRUE(spooler.SetPrinterW(printer, 0, nullptr, PRINTER_CONTROL_PAUSE));
    std::vector<BYTE> buffer = PrinterInfo(printer, 2);
    EXPECT_EQ(reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())->Status,
              static_cast<DWORD>(PRINTER_STATUS_PAUSED));

    PRINTER_INFO_7W update{nullptr, DSPRINT_UPDATE};
    EXPECT_TRUE(spooler.SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&update), 0));
    std::vector<BYTE> seven = PrinterInfo(printer, 7);
    EXPECT_EQ(reinterpret_cast<const PRINTER_INFO_7W*>(seven.data())->dwAction,
              static_cast<DWORD>(DSPRINT_UNPUBLISH));
    PRINTER_INFO_7W publish{nullptr, DSPRINT_PUBLISH};
    EXPECT_TRUE(spooler.SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&publish), 0));
    seven = PrinterInfo(printer, 7);
    const auto* info7 = reinterpret_cast<const PRINTER_INFO_7W*>(seven.data());
    EXPECT_EQ(info7->dwAction, static_cast<DWORD>(DSPRINT_PUBLISH));
    EXPECT_EQ(Packed(seven, info7->pszObjectGUID).size(), 38u);
    PRINTER_INFO_7W bad{nullptr, 0x40};
    EXPECT_FALSE(spooler.SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&bad), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PrinterTest, EnumPrintersListsLocalPrintersAtLevelsTwoAndFour) {
    ASSERT_TRUE(spooler.CreatePrinter(u"Second", u"LP-100", u"COM1:"));
    for (DWORD flags : {PRINTER_ENUM_LOCAL, PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS}) {
        DWORD returned = 0;
        std::vector<BYTE> four = TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
            return spooler.EnumPrintersW(flags, nullptr, 4, b, s, n, &returned);
        });
        ASSERT_EQ(returned, 2u);
        const auto* list = reinterpret_cast<const PRINTER_INFO_4W*>(four.data());
        EXPECT_EQ(Packed(four, list[0].pPrinterName), u"Label");
        EXPECT_EQ(Packed(four, list[1].pPrinterName), u"Second");
    }
    DWORD returned = 0;
    std::vector<BYTE> two = TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
        return spooler.EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, b, s, n, &returned);
    });
    ASSERT_EQ(returned, 2u);
    const auto* list = reinterpret_cast<const PRINTER_INFO_2W*>(two.data());
    EXPECT_EQ(Packed(two, list[1].pPortName), u"COM1:");
    EXPECT_EQ(Packed(two, list[1].pDriverName), u"LP-100");
    EXPECT_TRUE(Inside(two, list[0].pDevMode, sizeof(DEVMODEW)));
    EXPECT_TRUE(Inside(two, list[1].pDevMode, sizeof(DEVMODEW)));

    // No connections exist, so asking for connections alone lists nothing.
    DWORD needed = 99;
    EXPECT_TRUE(spooler.EnumPrintersW(PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed,
                                      &returned));
    EXPECT_EQ(returned, 0u);

    host::MemorySpooler empty;
    needed = 99;
    returned = 99;
    EXPECT_TRUE(
        empty.EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);
    EXPECT_FALSE(
        empty.EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 1, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

TEST_F(PrinterTest, DefaultPrinterFollowsRenameAndGoesWithDeletion) {
    char16_t name[64];
    DWORD size = 64;
    EXPECT_FALSE(spooler.GetDefaultPrinterW(name, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(spooler.SetDefaultPrinterW(u"Nowhere"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    ASSERT_TRUE(spooler.SetDefaultPrinterW(u"label"));

    size = 0;
    EXPECT_FALSE(spooler.GetDefaultPrinterW(nullptr, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, 6u);  // characters with the terminator
    size = 5;
    EXPECT_FALSE(spooler.GetDefaultPrinterW(name, &size));
    EXPECT_EQ(size, 6u);
    ASSERT_TRUE(spooler.GetDefaultPrinterW(name, &size));
    EXPECT_EQ(std::u16string(name), u"Label");
    EXPECT_EQ(size, 6u);

    std::vector<BYTE> buffer = PrinterInfo(printer, 2);
    reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())->pPrinterName = W(u"Renamed");
    ASSERT_TRUE(spooler.SetPrinterW(printer, 2, buffer.data(), 0));
    size = 64;
    ASSERT_TRUE(spooler.GetDefaultPrinterW(name, &size));
    EXPECT_EQ(std::u16string(name), u"Renamed");

    ASSERT_TRUE(spooler.DeletePrinter(printer));
    size = 64;
    EXPECT_FALSE(spooler.GetDefaultPrinterW(name, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PrinterTest, DeletedPrinterLeavesItsHandlesOnlyToClose) {
    HANDLE other = Open(u"Label");
    ASSERT_TRUE(spooler.DeletePrinter(printer));
    EXPECT_FALSE(spooler.HasPrinter(u"Label"));
    HANDLE again = nullptr;
    EXPECT_FALSE(spooler.OpenPrinterW(u"Label", &again, PRINTER_ALL_ACCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_FALSE(spooler.DeletePrinter(other));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(spooler.ClosePrinter(other));
    // The driver is free again once its last printer is gone.
    EXPECT_TRUE(
        spooler.DeletePrinterDriverExW(nullptr, nullptr, u"LP-100", DPD_DELETE_UNUSED_FILES, 0));
}

TEST_F(PrinterTest, DocumentPropertiesGivesSizeThenTheMergedDefault) {
    // A driver with a 16-byte private part in its DEVMODE.
    std::vector<BYTE> full(sizeof(DEVMODEW) + 16);
    std::vector<BYTE> stored = spooler.DefaultDevMode(u"Label");
    std::memcpy(full.data(), stored.data(), stored.size());
    auto* dm = reinterpret_cast<DEVMODEW*>(full.data());
    dm->dmDriverExtra = 16;
    std::memset(full.data() + sizeof(DEVMODEW), 0xAB, 16);
    std::vector<BYTE> buffer = PrinterInfo(printer, 2);
    reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())->pDevMode = dm;
    ASSERT_TRUE(spooler.SetPrinterW(printer, 2, buffer.data(), 0));

    const LONG size = spooler.DocumentPropertiesW(nullptr, printer, u"Label", nullptr, nullptr, 0);
    ASSERT_EQ(size, static_cast<LONG>(sizeof(DEVMODEW) + 16));
    std::vector<BYTE> out(size);
    auto* result = reinterpret_cast<DEVMODEW*>(out.data());
    EXPECT_EQ(
        spooler.DocumentPropertiesW(nullptr, printer, u"Label", result, nullptr, DM_OUT_BUFFER),
        IDOK);
    EXPECT_EQ(out, full);

    // Only the fields the input names come from it; its private part comes along.
    std::vector<BYTE> in = full;
    auto* input = reinterpret_cast<DEVMODEW*>(in.data());
    input->dmFields = DM_ORIENTATION;
    input->dmOrientation = DMORIENT_LANDSCAPE;
    input->dmCopies = 7;
    std::memset(in.data() + sizeof(DEVMODEW), 0x11, 16);
    EXPECT_EQ(spooler.DocumentPropertiesW(nullptr, printer, u"Label", result, input,
                                          DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(result->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(result->dmCopies, 1);
    EXPECT_EQ(result->dmFields & DM_ORIENTATION, static_cast<DWORD>(DM_ORIENTATION));
    EXPECT_EQ(out[sizeof(DEVMODEW)], 0x11);

    // No window system: the prompting call answers as if the user chose OK.
    EXPECT_EQ(spooler.DocumentPropertiesW(nullptr, printer, u"Label", nullptr, nullptr, DM_PROMPT),
              IDOK);
    EXPECT_EQ(spooler.DocumentPropertiesW(nullptr, nullptr, u"Label", nullptr, nullptr, 0), size);
    EXPECT_EQ(spooler.DocumentPropertiesW(nullptr, nullptr, u"Nowhere", nullptr, nullptr, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    input->dmSize = 10;
    EXPECT_EQ(spooler.DocumentPropertiesW(nullptr, printer, u"Label", result, input,
                                          DM_IN_BUFFER | DM_OUT_BUFFER),
              -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PrinterTest, AddedHookMayCallBackIntoTheSpooler) {
    std::vector<std::u16string> added;
    spooler.SetPrinterAddedHook([&](const std::u16string& name) {
        added.push_back(name);
        HANDLE h = Open(name.c_str());
        const BYTE data[4] = {1, 2, 3, 4};
        EXPECT_EQ(spooler.SetPrinterDataW(h, u"ZDDATA", REG_BINARY, data, 4), 0u);
        spooler.ClosePrinter(h);
    });
    PRINTER_INFO_2W info = LocalPrinter(u"Fresh", u"LP-100", u"FILE:");
    HANDLE h = spooler.AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(added, std::vector<std::u16string>{u"Fresh"});
    EXPECT_TRUE(spooler.PrinterValue(u"Fresh", u"PrinterDriverData", u"ZDDATA").has_value());
    spooler.ClosePrinter(h);
}

TEST(CurrentSpooler, IsAProcessWideMemorySpoolerUnlessOneIsInstalled) {
    host::Spooler& builtIn = host::CurrentSpooler();
    EXPECT_NE(dynamic_cast<host::MemorySpooler*>(&builtIn), nullptr);
    host::MemorySpooler mine;
    host::SetCurrentSpooler(&mine);
    EXPECT_EQ(&host::CurrentSpooler(), &mine);
    host::SetCurrentSpooler(nullptr);
    EXPECT_EQ(&host::CurrentSpooler(), &builtIn);
}

}  // namespace
}  // namespace spooler_test
