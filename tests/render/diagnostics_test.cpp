// The debug output of every page, and the log and page dumps while the debug switch is on.
// Native only: these tests choose the folder and the clock, which the Windows plug-in takes
// from the system (its fixed folder, the local time).
#ifndef _WIN32
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "host/diagnostics.h"
#include "render_fixture.h"

namespace rendertest {
namespace {

namespace fs = std::filesystem;

constexpr SYSTEMTIME kCreated{2024, 3, 0, 7, 9, 5, 2, 41};
constexpr char kLogName[] = "20240307-09.05.02.041.log";

class DiagnosticsTest : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        m_dir = fs::temp_directory_path() /
                ("zd-diagnostics-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        host::SetFixedLocalTime(&kCreated);
    }
    void TearDown() override {
        host::SetFixedLocalTime(nullptr);
        fs::remove_all(m_dir);
        RenderTest::TearDown();
    }

    // The printer is named after its language.
    void AddDebugPrinter(const std::u16string& language, bool debug, int paperType = 0) {
        DeviceSettings s = WorkedExampleSettings();
        s.bDebug = debug;
        s.iPaperType = paperType;
        AddPrinter(language, language, s, ThresholdSettings());
        m_printer = language;
    }
    Spool PrintWithFolder(const std::vector<host::SimPage>& pages, const fs::path& folder) {
        return Print(m_printer, pages, {.diagnosticsFolder = folder.string()});
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The log's entries without their tick counts; every unit must be ASCII.
    std::vector<std::string> LogEntries() const {
        std::ifstream file(m_dir / kLogName, std::ios::binary);
        std::string raw{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        EXPECT_EQ(raw.size() % 2, 0u);
        std::string text;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            EXPECT_EQ(raw[i + 1], '\0') << "unit " << i / 2 << " is not ASCII";
            text += raw[i];
        }
        std::vector<std::string> entries;
        std::size_t at = 0;
        for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
            std::string line = text.substr(at, end - at);
            // "tick: text"
            std::size_t digits = line.find_first_not_of("-0123456789");
            EXPECT_TRUE(digits > 0 && digits != std::string::npos &&
                        line.compare(digits, 2, ": ") == 0)
                << line.substr(0, 80);
            entries.push_back(digits == std::string::npos ? line : line.substr(digits + 2));
        }
        EXPECT_EQ(at, text.size()) << "the log does not end with a line end";
        return entries;
    }

    fs::path m_dir;
    std::u16string m_printer;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(DiagnosticsTest, TsplLogHasThePageLinesAndEverySpoolWrite) {
    AddDebugPrinter(u"tspl", true);
    PrintWithFolder({GrayPage(400, 240, Pattern)}, m_dir);
    std::vector<std::string> log = LogEntries();
    ASSERT_GE(log.size(), 8u);
    EXPECT_EQ(
        log[0],
        "-------------------------Printer Render Begin Rendering-----------------------------");
    EXPECT_EQ(log[1].rfind("pOemPDEV: pBufStart=0x", 0), 0u);
    EXPECT_NE(log[1].find("; dwBufSize = 96000; cPalColors = 256; cbHeaderOffBits = 54; "
                          "bHeadersFilled = 1; bColorTable = 1; "),
              std::string::npos);
    EXPECT_EQ(log[2], "bfType = 0; bfSize = 0; bfReserved1 = 0; bfReserved2 = 0; bfOffBits = 0; ");
    EXPECT_EQ(log[3],
              "bmInfoHeader: biSize = 40; biWidth = 400; biHeight = 240; biPlanes = 1; "
              "biBitCount = 8; biCompression = 0; biSizeImage = 96000; biXPelsPerMeter = 203; "
              "biYPelsPerMeter = 203;  biClrUsed = 256; biClrImportant = 0; ");
    EXPECT_EQ(log[4], "Halftone: iGrayMethod = 0; iThreValue = 175; iLiangdu = 0; iDuibidu = 0;");
    EXPECT_EQ(log[5], "dmOrientation = 0");
    EXPECT_EQ(log[6], "WriteSpool(18): SIZE 50 mm,30 mm 0d  0a ");
    EXPECT_TRUE(Has(log, "WriteSpool(5): CLS 0d  0a "));
    EXPECT_TRUE(Has(log, "WriteSpool(2):  0d  0a "));
    EXPECT_TRUE(Has(log, "WriteSpool(11): PRINT 1,1 0d  0a "));
    // The prepared page's own header (its resolution is the container's business).
    const std::string& header = log[log.size() - 2];
    EXPECT_EQ(
        header.rfind("Bitmap Header: biSize = 40; biWidth = 400; biHeight = 240; biPlanes = 1; "
                     "biBitCount = 1; biCompression = 0; biSizeImage = 12480; biXPelsPerMeter = ",
                     0),
        0u)
        << header;
    EXPECT_NE(header.find("; biClrUsed = 2; biClrImportant = 0;"), std::string::npos) << header;
    EXPECT_EQ(log.back(),
              "-------------------------Printer Render End Rendering-----------------------------");
    // The raster write shows printable bytes as themselves and the others in hexadecimal.
    const std::string raster = ThresholdRaster(400, 240, Pattern, 175);
    std::string expected = "WriteSpool(12480): ";
    char hex[8];
    for (char c : raster) {
        auto b = static_cast<unsigned char>(c);
        std::snprintf(hex, sizeof hex, " %02x ", b);
        expected += b >= 0x20 && b <= 0x7E ? std::string(1, c) : std::string(hex);
    }
    EXPECT_TRUE(Has(log, expected));
    // Paper lines are debug output only.
    EXPECT_TRUE(TraceHas("m_pDevObj->pPublicDM 0 0 0"));
    EXPECT_FALSE(Has(log, "m_pDevObj->pPublicDM 0 0 0"));
}

TEST_F(DiagnosticsTest, EscPosLogsEveryByteInHexAndTracesTheRaster) {
    AddDebugPrinter(u"escpos", true, 1);
    PrintWithFolder({GrayPage(400, 240, Pattern)}, m_dir);
    std::vector<std::string> log = LogEntries();
    EXPECT_TRUE(Has(log, "WriteSpool(4):  10  ff  fe  01 "));
    EXPECT_TRUE(Has(log, "WriteSpool(3):  1b  40  00 "));
    EXPECT_TRUE(Has(log, "WriteSpool(8):  1d  76  30  00  34  00  e0  00 "));
    EXPECT_TRUE(Has(log, "WriteSpool(2):  1d  0c "));
    EXPECT_TRUE(Has(log, "WriteSpool(4):  10  ff  fe  45 "));
    std::regex trace("GS v0: x=0, y=0, width=52, height=224, bits=0x[0-9A-F]+, size=11648");
    bool traced = false;
    for (const std::string& line : host::TraceLines())
        traced |= std::regex_match(line, trace);
    EXPECT_TRUE(traced);
}

TEST_F(DiagnosticsTest, PaperangPageWriteIsNotLogged) {
    AddDebugPrinter(u"paperang", true);
    PrintWithFolder({GrayPage(40, 8, Pattern)}, m_dir);
    for (const std::string& entry : LogEntries())
        EXPECT_EQ(entry.rfind("WriteSpool", 0), std::string::npos) << entry;
}

TEST_F(DiagnosticsTest, NoFileAndNoRasterTraceWithTheSwitchOff) {
    for (const char16_t* language : {u"tspl", u"escpos", u"cpcl", u"paperang"}) {
        AddDebugPrinter(language, false);
        PrintWithFolder({GrayPage(400, 240, Pattern)}, m_dir);
        EXPECT_TRUE(Files().empty());
    }
    EXPECT_FALSE(TraceStartsWith("GS v0:"));
    // The page lines still reach the debug output.
    EXPECT_TRUE(
        TraceHas("Halftone: iGrayMethod = 0; iThreValue = 175; iLiangdu = 0; iDuibidu = 0;"));
}

// A dump's pixel rows as stored (the first stored row is the page's row 0), read from the
// file's own headers.
std::string DumpRows(const fs::path& file, DWORD& width, DWORD& height, WORD& bits) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto le = [&bytes](std::size_t at, int n) {
        DWORD v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | static_cast<BYTE>(bytes[at + i]);
        return v;
    };
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0)
        return {};
    DWORD offBits = le(10, 4);
    width = le(18, 4);
    height = le(22, 4);
    bits = static_cast<WORD>(le(28, 2));
    return offBits <= bytes.size() ? bytes.substr(offBits) : std::string();
}

TEST_F(DiagnosticsTest, BeginAndEndDumpsHoldThePageBeforeAndAfter) {
    const std::pair<const char16_t*, bool> cases[] = {
        {u"tspl", false}, {u"escpos", true}, {u"cpcl", true}, {u"paperang", true}};
    for (auto [language, inverted] : cases) {
        SCOPED_TRACE(
            std::string(language, language + std::char_traits<char16_t>::length(language)));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        AddDebugPrinter(language, true);
        PrintWithFolder({GrayPage(400, 240, Pattern)}, m_dir);
        EXPECT_EQ(Files(), (std::vector<std::string>{"20240307-09.05.02.041.begin.bmp",
                                                     "20240307-09.05.02.041.end.bmp", kLogName}));
        DWORD w = 0, h = 0;
        WORD bits = 0;
        std::string begin = DumpRows(m_dir / "20240307-09.05.02.041.begin.bmp", w, h, bits);
        EXPECT_EQ(w, 400u);
        EXPECT_EQ(h, 240u);
        EXPECT_EQ(bits, 8);
        std::string page;
        for (LONG y = 0; y < 240; ++y) {
            for (LONG x = 0; x < 400; ++x)
                page += static_cast<char>(Pattern(x, y));
        }
        EXPECT_TRUE(begin == page) << "the begin dump is not the delivered page";
        std::string end = DumpRows(m_dir / "20240307-09.05.02.041.end.bmp", w, h, bits);
        EXPECT_EQ(bits, 1);
        // The 1-is-black writers inverted the page while encoding it.
        std::string raster = ThresholdRaster(400, 240, Pattern, 175);
        EXPECT_TRUE(end == (inverted ? Inverted(raster) : raster)) << "the end dump differs";
    }
}

TEST_F(DiagnosticsTest, TwoPagesInOneMillisecondShareTheirDumps) {
    AddDebugPrinter(u"tspl", true);
    auto white = [](LONG, LONG) -> BYTE { return 255; };
    PrintWithFolder({GrayPage(400, 240, Pattern), GrayPage(64, 8, white)}, m_dir);
    EXPECT_EQ(Files().size(), 3u);
    DWORD w = 0, h = 0;
    WORD bits = 0;
    DumpRows(m_dir / "20240307-09.05.02.041.end.bmp", w, h, bits);
    EXPECT_EQ(w, 64u) << "the second page's dump replaced the first";
}

TEST_F(DiagnosticsTest, AMissingFolderIsCreatedAndTheLogOpensAtTheNextEntry) {
    AddDebugPrinter(u"tspl", true);
    PrintWithFolder({GrayPage(40, 8, Pattern), GrayPage(40, 8, Pattern)}, m_dir / "cache");
    fs::rename(m_dir / "cache" / kLogName, m_dir / kLogName);
    std::vector<std::string> log = LogEntries();
    // The first page's opening lines came before the folder existed.
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "WriteSpool(16): SIZE 5 mm,1 mm 0d  0a ");
    EXPECT_EQ(
        std::count(log.begin(), log.end(),
                   "-------------------------Printer Render Begin Rendering-------------------"
                   "----------"),
        1);
}

TEST_F(DiagnosticsTest, AnUnwritableFolderChangesNothingPrinted) {
    AddDebugPrinter(u"tspl", true);
    std::string quiet = Print(m_printer, {GrayPage(400, 240, Pattern)}).Bytes();
    std::string noFolder =
        PrintWithFolder({GrayPage(400, 240, Pattern)}, m_dir / "a" / "b").Bytes();
    EXPECT_EQ(noFolder, quiet);
    EXPECT_FALSE(fs::exists(m_dir / "a"));
}

}  // namespace
}  // namespace rendertest

#endif  // _WIN32
