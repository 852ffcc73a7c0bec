#include <string>

#include "tests/host/spooler_test_util.h"

namespace spooler_test {
namespace {

class JobTest : public SpoolerTest {
  protected:
    DWORD Start(HANDLE h, const char16_t* document, const char16_t* datatype = nullptr) {
        DOC_INFO_1W doc{W(document), nullptr, W(datatype)};
        return spooler.StartDocPrinterW(h, 1, reinterpret_cast<BYTE*>(&doc));
    }
    bool Write(HANDLE h, const std::string& bytes) {
        DWORD written = 0;
        BOOL ok = spooler.WritePrinter(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written);
        return ok && written == bytes.size();
    }
    std::vector<BYTE> Jobs(DWORD first, DWORD count, DWORD* returned) {
        return TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
            return spooler.EnumJobsW(printer, first, count, 1, b, s, n, returned);
        });
    }
};

TEST_F(JobTest, WrittenBytesAreKeptPerJobAndListed) {
    const DWORD first = Start(printer, u"Label 1");
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(Write(printer, "SIZE 50 mm,30 mm\r\n"));
    ASSERT_TRUE(Write(printer, "PRINT 1,1\r\n"));
    ASSERT_TRUE(spooler.EndDocPrinter(printer));
    const DWORD second = Start(printer, u"Label 2", u"RAW");
    ASSERT_TRUE(Write(printer, "CLS\r\n"));
    ASSERT_NE(second, first);

    const std::string text = "SIZE 50 mm,30 mm\r\nPRINT 1,1\r\n";
    EXPECT_EQ(spooler.JobBytes(u"Label", first), std::vector<BYTE>(text.begin(), text.end()));
    EXPECT_EQ(spooler.JobIds(u"Label"), (std::vector<DWORD>{first, second}));

    DWORD returned = 0;
    std::vector<BYTE> buffer = Jobs(0, 10, &returned);
    ASSERT_EQ(returned, 2u);
    const auto* jobs = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
    EXPECT_EQ(jobs[0].JobId, first);
    EXPECT_EQ(Packed(buffer, jobs[0].pPrinterName), u"Label");
    EXPECT_EQ(Packed(buffer, jobs[0].pDocument), u"Label 1");
    EXPECT_EQ(Packed(buffer, jobs[0].pDatatype), u"RAW");
    EXPECT_EQ(jobs[0].Status, 0u);
    EXPECT_EQ(jobs[1].Status, static_cast<DWORD>(JOB_STATUS_SPOOLING));
    EXPECT_EQ(jobs[1].Position, 2u);

    buffer = Jobs(1, 10, &returned);
    ASSERT_EQ(returned, 1u);
    EXPECT_EQ(reinterpret_cast<const JOB_INFO_1W*>(buffer.data())->JobId, second);
    DWORD needed = 99;
    EXPECT_TRUE(spooler.EnumJobsW(printer, 2, 10, 1, nullptr, 0, &needed, &returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(needed, 0u);

    // Closing a handle ends its open document.
    EXPECT_TRUE(spooler.ClosePrinter(printer));
    printer = Open(u"Label");
    buffer = Jobs(1, 1, &returned);
    EXPECT_EQ(reinterpret_cast<const JOB_INFO_1W*>(buffer.data())->Status, 0u);
}

TEST_F(JobTest, DocumentCallsOutOfOrderFail) {
    DWORD written = 7;
    EXPECT_FALSE(spooler.WritePrinter(printer, "x", 1, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
    EXPECT_EQ(written, 0u);
    EXPECT_FALSE(spooler.EndDocPrinter(printer));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
    EXPECT_EQ(Start(printer, u"Doc", u"NOT A TYPE"), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATATYPE));
    DOC_INFO_1W doc{W(u"Doc"), nullptr, nullptr};
    EXPECT_EQ(spooler.StartDocPrinterW(printer, 2, reinterpret_cast<BYTE*>(&doc)), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));

    ASSERT_NE(Start(printer, u"Doc"), 0u);
    EXPECT_EQ(Start(printer, u"Again"), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_STATE));

    // A purge takes the job being written; the writer learns it at its next write.
    HANDLE admin = Open(u"Label");
    ASSERT_TRUE(spooler.SetPrinterW(admin, 0, nullptr, PRINTER_CONTROL_PURGE));
    EXPECT_FALSE(Write(printer, "more"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
    EXPECT_TRUE(spooler.EndDocPrinter(printer));
    spooler.ClosePrinter(admin);
    EXPECT_EQ(Start(nullptr, u"Doc"), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
}  // namespace spooler_test
