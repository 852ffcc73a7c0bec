#include "tests/host/spooler_test_util.h"

namespace spooler_test {
namespace {

constexpr const char16_t* kDriverData = u"PrinterDriverData";

class PrinterDataTest : public SpoolerTest {
  protected:
    DWORD Read(HANDLE h, const char16_t* key, const char16_t* value, std::vector<BYTE>& data,
               DWORD size, DWORD* needed, DWORD* type = nullptr) {
        if (data.size() < size)
            data.resize(size);
        return spooler.GetPrinterDataExW(h, key, value, type, data.data(), size, needed);
    }
};

// The reader's protocol: size 0 asks, a short size asks again, the needed size reads.
TEST_F(PrinterDataTest, ShortReadsAnswerMoreDataWithTheNeededSize) {
    for (DWORD stored : {1u, 16u, 68u, 564u, 4000u}) {
        std::vector<BYTE> value(stored);
        for (DWORD i = 0; i < stored; ++i)
            value[i] = static_cast<BYTE>(i * 7 + 1);
        ASSERT_EQ(spooler.SetPrinterDataW(printer, u"ZDDATA", REG_BINARY, value.data(), stored),
                  0u);
        std::vector<BYTE> data;
        for (DWORD size : {DWORD{0}, stored - 1}) {
            DWORD needed = 0;
            DWORD type = 0;
            SetLastError(ERROR_SUCCESS);
            EXPECT_EQ(Read(printer, kDriverData, u"ZDDATA", data, size, &needed, &type),
                      static_cast<DWORD>(ERROR_MORE_DATA))
                << stored;
            EXPECT_EQ(needed, stored);
            EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
        }
        for (DWORD size : {stored, stored + 10}) {
            DWORD needed = 0;
            data.assign(size, 0xEE);
            EXPECT_EQ(Read(printer, kDriverData, u"ZDDATA", data, size, &needed), 0u);
            EXPECT_EQ(needed, stored);
            EXPECT_TRUE(std::equal(value.begin(), value.end(), data.begin()));
            if (size > stored) {
                EXPECT_EQ(data[stored], 0xEE);  // nothing written past the value
            }
        }
    }
}

TEST_F(PrinterDataTest, EmptyValueReadsWithSizeZero) {
    ASSERT_EQ(spooler.SetPrinterDataW(printer, u"Empty", REG_BINARY, nullptr, 0), 0u);
    DWORD needed = 99;
    std::vector<BYTE> data;
    EXPECT_EQ(Read(printer, kDriverData, u"Empty", data, 0, &needed), 0u);
    EXPECT_EQ(needed, 0u);
}

TEST_F(PrinterDataTest, MissingValuesKeysAndHandles) {
    const BYTE one = 1;
    ASSERT_EQ(spooler.SetPrinterDataW(printer, u"ZDDATA", REG_BINARY, &one, 1), 0u);
    HANDLE closed = Open(u"Label");
    spooler.ClosePrinter(closed);
    struct Case {
        HANDLE handle;
        const char16_t* key;
        const char16_t* value;
        DWORD status;
    } cases[] = {
        {printer, kDriverData, u"ZDDATA1", ERROR_FILE_NOT_FOUND},
        {printer, u"DsDriver", u"ZDDATA", ERROR_FILE_NOT_FOUND},
        {printer, u"NoSuchKey", u"printLanguage", ERROR_FILE_NOT_FOUND},
        {nullptr, kDriverData, u"ZDDATA", ERROR_INVALID_HANDLE},
        {closed, kDriverData, u"ZDDATA", ERROR_INVALID_HANDLE},
        {INVALID_HANDLE_VALUE, kDriverData, u"ZDDATA", ERROR_INVALID_HANDLE},
        {printer, nullptr, u"ZDDATA", ERROR_INVALID_PARAMETER},
        {printer, u"", u"ZDDATA", ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        DWORD needed = 0;
        std::vector<BYTE> data;
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(Read(c.handle, c.key, c.value, data, 0, &needed), c.status);
        EXPECT_EQ(GetLastError(), c.status);  // what the callers' trace lines report
    }
    EXPECT_EQ(spooler.SetPrinterDataW(closed, u"ZDDATA", REG_BINARY, &one, 1),
              static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(PrinterDataTest, ValuesKeepKeyTypeAndWholeReplacement) {
    const DWORD option = 3;
    ASSERT_EQ(spooler.SetPrinterDataW(printer, u"OEMUI_VALUE", REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&option), 4),
              0u);
    const std::vector<BYTE> language = Bytes({'t', 0, 's', 0, 'p', 0, 'l', 0, 0, 0, 0, 0});
    ASSERT_EQ(spooler.SetPrinterDataExW(printer, u"DsDriver", u"printLanguage", REG_MULTI_SZ,
                                        language.data(), 12),
              0u);

    DWORD type = 0;
    EXPECT_EQ(spooler.PrinterValue(u"Label", kDriverData, u"OEMUI_VALUE", &type),
              Bytes({3, 0, 0, 0}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(spooler.PrinterValue(u"Label", u"DsDriver", u"printLanguage", &type), language);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_FALSE(spooler.PrinterValue(u"Label", kDriverData, u"printLanguage"));

    // Names of keys and values compare without regard to case; a write replaces the value.
    const BYTE two[2] = {9, 8};
    ASSERT_EQ(spooler.SetPrinterDataExW(printer, u"printerdriverdata", u"oemui_value", REG_BINARY,
                                        two, 2),
              0u);
    EXPECT_EQ(spooler.PrinterValue(u"Label", kDriverData, u"OEMUI_VALUE", &type), Bytes({9, 8}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
}

TEST_F(PrinterDataTest, EachPrinterHasItsOwnData) {
    ASSERT_TRUE(spooler.CreatePrinter(u"Other", u"LP-100", u"FILE:"));
    ASSERT_TRUE(spooler.SetPrinterValue(u"Other", kDriverData, u"ZDDATA", REG_BINARY, {1, 2}));
    DWORD needed = 0;
    std::vector<BYTE> data;
    EXPECT_EQ(Read(printer, kDriverData, u"ZDDATA", data, 0, &needed),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    HANDLE other = Open(u"Other");
    EXPECT_EQ(Read(other, kDriverData, u"ZDDATA", data, 0, &needed),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(needed, 2u);
    spooler.ClosePrinter(other);
}

TEST_F(PrinterDataTest, PrintLanguageComesAsAStringList) {
    const std::vector<BYTE> tspl = Bytes({'t', 0, 's', 0, 'p', 0, 'l', 0, 0, 0, 0, 0});
    ASSERT_TRUE(spooler.SetPrintLanguage(u"Label", u"tspl"));
    DWORD type = 0;
    EXPECT_EQ(spooler.PrinterValue(u"Label", u"DsDriver", u"printLanguage", &type), tspl);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));

    // What the driver's description names reaches every printer created after.
    ASSERT_TRUE(spooler.SetDriverLanguage(u"LP-100", u"tspl"));
    ASSERT_TRUE(spooler.CreatePrinter(u"Later", u"LP-100", u"FILE:"));
    EXPECT_EQ(spooler.PrinterValue(u"Later", u"DsDriver", u"printLanguage"), tspl);
    EXPECT_TRUE(spooler.RemovePrinterValue(u"Later", u"DsDriver", u"printLanguage"));
    EXPECT_FALSE(spooler.PrinterValue(u"Later", u"DsDriver", u"printLanguage"));
}

}  // namespace
}  // namespace spooler_test
