#include <functional>
#include <stdexcept>

#include "tests/host/spooler_test_util.h"

namespace spooler_test {
namespace {

constexpr const char16_t* kDriverData = u"PrinterDriverData";

class FaultTest : public SpoolerTest {
  protected:
    void SetUp() override {
        SpoolerTest::SetUp();
        ASSERT_TRUE(spooler.SetPrinterValue(u"Label", kDriverData, u"ZDDATA", REG_BINARY,
                                            std::vector<BYTE>(68, 1)));
        ASSERT_TRUE(spooler.SetPrinterValue(u"Label", kDriverData, u"ZDDATA1", REG_BINARY,
                                            std::vector<BYTE>(16, 2)));
    }
    DWORD Query(const char16_t* value, DWORD* needed) {
        return spooler.GetPrinterDataExW(printer, kDriverData, value, nullptr, nullptr, 0, needed);
    }
    DWORD Fetch(const char16_t* value, DWORD size) {
        std::vector<BYTE> data(size);
        DWORD needed = 0;
        return spooler.GetPrinterDataExW(printer, kDriverData, value, nullptr, data.data(), size,
                                         &needed);
    }
};

// Each kind of result reports an injected fault its own way, before the call has any effect.
TEST_F(FaultTest, EveryKindOfResultReportsTheFault) {
    const BYTE one = 1;
    struct Case {
        const char* operation;
        std::function<bool()> failed;  // the call's own failure result
    } cases[] = {
        {"OpenPrinterW",
         [&] {
             HANDLE h = nullptr;
             return !spooler.OpenPrinterW(u"Label", &h, PRINTER_ALL_ACCESS) && h == nullptr;
         }},
        {"GetPrinterW",
         [&] {
             std::vector<BYTE> buffer(4096);
             DWORD needed = 0;
             return !spooler.GetPrinterW(printer, 2, buffer.data(), 4096, &needed);
         }},
        {"SetPrinterDataW",
         [&] {
             return spooler.SetPrinterDataW(printer, u"New", REG_BINARY, &one, 1) ==
                        ERROR_ACCESS_DENIED &&
                    !spooler.PrinterValue(u"Label", kDriverData, u"New");
         }},
        {"GetPrinterDataExW",
         [&] {
             DWORD needed = 0;
             return Query(u"ZDDATA", &needed) == ERROR_ACCESS_DENIED;
         }},
        {"AddPrinterW",
         [&] {
             PRINTER_INFO_2W info{};
             info.pPrinterName = W(u"New");
             info.pPortName = W(u"FILE:");
             info.pDriverName = W(u"LP-100");
             info.pPrintProcessor = W(u"WinPrint");
             return spooler.AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)) == nullptr &&
                    !spooler.HasPrinter(u"New");
         }},
        {"StartDocPrinterW",
         [&] {
             DOC_INFO_1W doc{W(u"doc"), nullptr, nullptr};
             return spooler.StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&doc)) == 0;
         }},
        {"DeviceCapabilitiesW",
         [&] {
             return spooler.DeviceCapabilitiesW(u"Label", nullptr, DC_PAPERS, nullptr, nullptr) ==
                    -1;
         }},
        {"DocumentPropertiesW",
         [&] {
             return spooler.DocumentPropertiesW(nullptr, printer, u"Label", nullptr, nullptr, 0) <
                    0;
         }},
        {"DeletePrinterDriverPackageW",
         [&] {
             return spooler.DeletePrinterDriverPackageW(nullptr, u"x.inf", nullptr) ==
                    HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
         }},
        {"SetDefaultPrinterW", [&] { return !spooler.SetDefaultPrinterW(u"Label"); }},
        {"DeletePrinter",
         [&] { return !spooler.DeletePrinter(printer) && spooler.HasPrinter(u"Label"); }},
    };
    for (const Case& c : cases) {
        spooler.InjectFault(c.operation, ERROR_ACCESS_DENIED);
        SetLastError(ERROR_SUCCESS);
        EXPECT_TRUE(c.failed()) << c.operation;
        if (std::string(c.operation) != "DeletePrinterDriverPackageW") {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << c.operation;
        }
        EXPECT_FALSE(c.failed()) << c.operation << " failed again: one fault, one call";
    }
}

TEST_F(FaultTest, CountsAndClearing) {
    DWORD needed = 0;
    spooler.InjectFault("GetPrinterDataExW", ERROR_NOT_ENOUGH_MEMORY, 2);
    EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_MORE_DATA));

    spooler.InjectFault("GetPrinterDataExW", ERROR_ACCESS_DENIED, host::MemorySpooler::kEveryCall);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    spooler.ClearFaults();
    EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(spooler.CallCount("GetPrinterDataExW"), 9);

    host::Fault later;
    later.operation = "GetPrinterDataExW";
    later.error = ERROR_INVALID_DATA;
    later.skip = 1;
    spooler.InjectFault(later);
    EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_INVALID_DATA));

    EXPECT_THROW(spooler.InjectFault("GetPrinterDataW", ERROR_ACCESS_DENIED),
                 std::invalid_argument);
}

TEST_F(FaultTest, AFaultCanHitOneValueOnly) {
    host::Fault fault;
    fault.operation = "GetPrinterDataExW";
    fault.error = ERROR_ACCESS_DENIED;
    fault.name = u"zddata1";
    fault.count = host::MemorySpooler::kEveryCall;
    spooler.InjectFault(fault);
    DWORD needed = 0;
    EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(Fetch(u"ZDDATA", needed), 0u);
    EXPECT_EQ(Query(u"ZDDATA1", &needed), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

// Only the second step of a two-step read fails: the size query still answers normally.
TEST_F(FaultTest, StepsOfATwoStepRead) {
    host::Fault second;
    second.operation = "GetPrinterDataExW";
    second.error = ERROR_INVALID_DATA;
    second.step = host::FaultStep::Fetch;
    spooler.InjectFault(second);
    DWORD needed = 0;
    EXPECT_EQ(Query(u"ZDDATA", &needed), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(needed, 68u);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(Fetch(u"ZDDATA", needed), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_EQ(Fetch(u"ZDDATA", needed), 0u);

    host::Fault first = second;
    first.step = host::FaultStep::SizeQuery;
    first.operation = "GetPrinterW";
    spooler.InjectFault(first);
    std::vector<BYTE> buffer(4096);
    EXPECT_TRUE(spooler.GetPrinterW(printer, 2, buffer.data(), 4096, &needed));
    EXPECT_FALSE(spooler.GetPrinterW(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

    // A call without a buffer is neither step.
    first.operation = "OpenPrinterW";
    spooler.InjectFault(first);
    HANDLE h = Open(u"Label");
    spooler.ClosePrinter(h);
}

TEST_F(FaultTest, HandleBoundFaultsMatchThePrinter) {
    ASSERT_TRUE(spooler.CreatePrinter(u"Other", u"LP-100", u"FILE:"));
    HANDLE other = Open(u"Other");
    host::Fault fault;
    fault.operation = "GetPrinterW";
    fault.error = ERROR_ACCESS_DENIED;
    fault.name = u"Other";
    spooler.InjectFault(fault);
    DWORD needed = 0;
    EXPECT_FALSE(spooler.GetPrinterW(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(spooler.GetPrinterW(other, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    spooler.ClosePrinter(other);

    // DeletePrinterDriverPackageW answers an HRESULT fault as it stands: absent on the system.
    spooler.InjectFault("DeletePrinterDriverPackageW", static_cast<DWORD>(E_NOTIMPL));
    EXPECT_EQ(spooler.DeletePrinterDriverPackageW(nullptr, u"x.inf", nullptr), E_NOTIMPL);
}

TEST_F(FaultTest, ResetStartsFresh) {
    spooler.InjectFault("OpenPrinterW", ERROR_ACCESS_DENIED);
    spooler.Reset();
    printer = nullptr;  // the old handle went with the reset
    EXPECT_FALSE(spooler.HasPrinter(u"Label"));
    EXPECT_FALSE(spooler.HasDriver(u"LP-100"));
    EXPECT_TRUE(spooler.HasForm(u"A4"));
    EXPECT_EQ(spooler.OpenHandleCount(), 0);
    EXPECT_EQ(spooler.CallCount("OpenPrinterW"), 0);
    HANDLE server = nullptr;
    EXPECT_TRUE(spooler.OpenPrinterW(nullptr, &server, PRINTER_ALL_ACCESS));
    spooler.ClosePrinter(server);
}

}  // namespace
}  // namespace spooler_test
