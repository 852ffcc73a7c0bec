#include <functional>

#include "tests/host/spooler_test_util.h"

namespace spooler_test {
namespace {

FORM_INFO_1W UserForm(const char16_t* name, LONG width, LONG height) {
    return FORM_INFO_1W{FORM_USER, W(name), {width, height}, {0, 0, width, height}};
}

const BYTE* Bytes(const FORM_INFO_1W& form) {
    return reinterpret_cast<const BYTE*>(&form);
}

class FormTest : public SpoolerTest {
  protected:
    std::vector<BYTE> ReadForm(const char16_t* name) {
        return TwoStep([&](BYTE* b, DWORD s, DWORD* n) {
            return spooler.GetFormW(printer, name, 1, b, s, n);
        });
    }
};

TEST_F(FormTest, BuiltInFormsReadInThousandthsOfAMillimetre) {
    std::vector<BYTE> buffer = ReadForm(u"a4");
    const auto* form = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
    EXPECT_EQ(form->Flags, static_cast<DWORD>(FORM_BUILTIN));
    EXPECT_EQ(Packed(buffer, form->pName), u"A4");
    EXPECT_EQ(form->Size.cx, 210000);
    EXPECT_EQ(form->Size.cy, 297000);
    EXPECT_EQ(form->ImageableArea.right, 210000);
    EXPECT_TRUE(spooler.HasForm(u"Letter"));
}

TEST_F(FormTest, UserFormsAreAddedChangedAndDeleted) {
    FORM_INFO_1W label = UserForm(u"50 x 30", 50000, 30000);
    ASSERT_TRUE(spooler.AddFormW(printer, 1, Bytes(label)));
    EXPECT_FALSE(spooler.AddFormW(printer, 1, Bytes(label)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    FORM_INFO_1W changed{FORM_USER, W(u"ignored"), {60000, 40000}, {1000, 2000, 59000, 38000}};
    ASSERT_TRUE(spooler.SetFormW(printer, u"50 x 30", 1, Bytes(changed)));
    std::vector<BYTE> buffer = ReadForm(u"50 x 30");
    const auto* form = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
    EXPECT_EQ(form->Flags, static_cast<DWORD>(FORM_USER));
    EXPECT_EQ(Packed(buffer, form->pName), u"50 x 30");
    EXPECT_EQ(form->Size.cx, 60000);
    EXPECT_EQ(form->ImageableArea.left, 1000);
    EXPECT_EQ(form->ImageableArea.bottom, 38000);

    ASSERT_TRUE(spooler.DeleteFormW(printer, u"50 x 30"));
    EXPECT_FALSE(spooler.HasForm(u"50 x 30"));
}

TEST_F(FormTest, RefusalsNameTheReason) {
    FORM_INFO_1W bad = UserForm(u"Bad", 50000, 30000);
    bad.ImageableArea.right = 50001;
    FORM_INFO_1W zero = UserForm(u"Zero", 0, 30000);
    FORM_INFO_1W unnamed = UserForm(u"", 50000, 30000);
    FORM_INFO_1W fine = UserForm(u"Fine", 50000, 30000);
    struct Call {
        const char* what;
        std::function<BOOL()> call;
        DWORD error;
    } calls[] = {
        {"add, area outside", [&] { return spooler.AddFormW(printer, 1, Bytes(bad)); },
         ERROR_INVALID_FORM_SIZE},
        {"add, no width", [&] { return spooler.AddFormW(printer, 1, Bytes(zero)); },
         ERROR_INVALID_FORM_SIZE},
        {"add, no name", [&] { return spooler.AddFormW(printer, 1, Bytes(unnamed)); },
         ERROR_INVALID_FORM_NAME},
        {"add, level 2", [&] { return spooler.AddFormW(printer, 2, Bytes(fine)); },
         ERROR_INVALID_LEVEL},
        {"set, unknown", [&] { return spooler.SetFormW(printer, u"Nowhere", 1, Bytes(fine)); },
         ERROR_INVALID_FORM_NAME},
        {"set, built-in", [&] { return spooler.SetFormW(printer, u"A4", 1, Bytes(fine)); },
         ERROR_INVALID_PARAMETER},
        {"delete, unknown", [&] { return spooler.DeleteFormW(printer, u"Nowhere"); },
         ERROR_INVALID_FORM_NAME},
        {"delete, built-in", [&] { return spooler.DeleteFormW(printer, u"Letter"); },
         ERROR_INVALID_PARAMETER},
        {"delete, bad handle", [&] { return spooler.DeleteFormW(nullptr, u"Letter"); },
         ERROR_INVALID_HANDLE},
    };
    for (const Call& c : calls) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(c.call()) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    DWORD needed = 0;
    EXPECT_FALSE(spooler.GetFormW(printer, u"Nowhere", 1, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_NAME));
    EXPECT_TRUE(spooler.HasForm(u"Letter"));
}

// The paper editor's way of storing a form without asking whether it exists.
TEST_F(FormTest, SetThenAddUpdatesOrCreates) {
    FORM_INFO_1W form = UserForm(u"Tag", 40000, 20000);
    EXPECT_FALSE(spooler.SetFormW(printer, u"Tag", 1, Bytes(form)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_NAME));
    EXPECT_TRUE(spooler.AddFormW(printer, 1, Bytes(form)));
    form.Size.cy = 25000;
    form.ImageableArea.bottom = 25000;
    EXPECT_TRUE(spooler.SetFormW(printer, u"Tag", 1, Bytes(form)));
    EXPECT_FALSE(spooler.AddFormW(printer, 1, Bytes(form)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    std::vector<BYTE> buffer = ReadForm(u"Tag");
    EXPECT_EQ(reinterpret_cast<const FORM_INFO_1W*>(buffer.data())->Size.cy, 25000);
}

TEST_F(FormTest, FormsAreSharedAndReachableThroughTheServerHandle) {
    HANDLE server = nullptr;
    ASSERT_TRUE(spooler.OpenPrinterW(nullptr, &server, PRINTER_ALL_ACCESS));
    FORM_INFO_1W form = UserForm(u"Shared", 40000, 20000);
    ASSERT_TRUE(spooler.AddFormW(server, 1, Bytes(form)));
    EXPECT_EQ(ReadForm(u"Shared").empty(), false);
    DWORD needed = 0;
    EXPECT_FALSE(spooler.GetPrinterW(server, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HANDLE user = Open(u"Label", PRINTER_ACCESS_USE);
    EXPECT_FALSE(spooler.DeleteFormW(user, u"Shared"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    spooler.ClosePrinter(user);
    spooler.ClosePrinter(server);
}

TEST_F(FormTest, DeviceCapabilitiesListsThePapersInOneOrder) {
    const std::u16string longName(70, u'x');
    ASSERT_TRUE(spooler.SetPaperList(u"Label", {{256, u"40 x 30", {400, 300}},
                                                {257, longName, {1000, 1500}},
                                                {DMPAPER_A6, u"A6", {1050, 1480}}}));
    EXPECT_EQ(spooler.DeviceCapabilitiesW(u"Label", u"FILE:", DC_PAPERNAMES, nullptr, nullptr), 3);
    std::vector<char16_t> names(3 * 64, u'?');
    ASSERT_EQ(spooler.DeviceCapabilitiesW(u"label", u"FILE:", DC_PAPERNAMES, names.data(), nullptr),
              3);
    EXPECT_EQ(std::u16string(names.data()), u"40 x 30");
    EXPECT_EQ(names[7], u'\0');
    EXPECT_EQ(names[63], u'\0');  // slots are padded with NUL
    EXPECT_EQ(std::u16string(names.data() + 64, 64), longName.substr(0, 64));
    EXPECT_EQ(std::u16string(names.data() + 128), u"A6");

    WORD papers[3] = {};
    ASSERT_EQ(spooler.DeviceCapabilitiesW(u"Label", nullptr, DC_PAPERS, papers, nullptr), 3);
    EXPECT_EQ(papers[0], 256);
    EXPECT_EQ(papers[2], DMPAPER_A6);
    POINT sizes[3] = {};
    ASSERT_EQ(spooler.DeviceCapabilitiesW(u"Label", nullptr, DC_PAPERSIZE, sizes, nullptr), 3);
    EXPECT_EQ(sizes[0].x, 400);
    EXPECT_EQ(sizes[1].y, 1500);

    EXPECT_EQ(spooler.DeviceCapabilitiesW(u"Nowhere", nullptr, DC_PAPERS, nullptr, nullptr), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    // A new printer reports the two standard papers until told otherwise.
    ASSERT_TRUE(spooler.CreatePrinter(u"Plain", u"LP-100", u"FILE:"));
    EXPECT_EQ(spooler.DeviceCapabilitiesW(u"Plain", nullptr, DC_PAPERS, nullptr, nullptr), 2);
}

}  // namespace
}  // namespace spooler_test
