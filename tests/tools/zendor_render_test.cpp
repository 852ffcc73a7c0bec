// The command-line renderer: its options, its refusals and its readers of outside input.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "settings/records.h"
#include "tools/page_image.h"
#include "tools/record_fields.h"
#include "tools/render_job.h"

namespace {

namespace fs = std::filesystem;

// The tool run through the shell, with its quoting and redirections: native only. Under Wine
// the Windows tool is checked against the native one (tests/win/compare_with_native.sh).
#ifndef _WIN32
class ZendorRenderTool : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("zendor-render-test-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs the tool; returns its exit status, with standard error in `err`.
    int Run(const std::string& args, std::string* err = nullptr) {
        std::string errFile = (m_dir / "stderr").string();
        std::string command = std::string(ZD_RENDER_TOOL) + " " + args + " 2>" + errFile;
        int status = std::system(command.c_str());
        if (err)
            *err = Slurp(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string Slurp(const fs::path& path) {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

    fs::path m_dir;
};

TEST_F(ZendorRenderTool, RendersTheSampleLabel) {
    std::string out = Path("label.tspl");
    ASSERT_EQ(
        Run(std::string(ZD_SAMPLE_LABEL) + " -o " + out + " --set iSpeed=4 --set iGrayMethod=0"),
        0);
    std::string job = Slurp(out);
    EXPECT_EQ(job.rfind("SIZE 50 mm,30 mm\r\n", 0), 0u);
    EXPECT_NE(job.find("SPEED 4\r\n"), std::string::npos);
    EXPECT_NE(job.find("BITMAP 0,0,52,240,1,"), std::string::npos);
    EXPECT_EQ(job.substr(job.size() - 11), "PRINT 1,1\r\n");
}

TEST_F(ZendorRenderTool, PagesDocumentsAndTrace) {
    Write("page.pgm", "P5 8 4 255\n" + std::string(32, '\x80'));
    std::string out = Path("job.tspl"), trace = Path("trace.txt");
    ASSERT_EQ(Run(Path("page.pgm") + " -o " + out + " --pages 2 --documents 3 --trace " + trace),
              0);
    std::string job = Slurp(out);
    int prints = 0;
    for (auto at = job.find("PRINT 1,1"); at != std::string::npos;
         at = job.find("PRINT 1,1", at + 1)) {
        ++prints;
    }
    EXPECT_EQ(prints, 6);
    EXPECT_NE(Slurp(trace).find("OEMStartDoc"), std::string::npos);
}

TEST_F(ZendorRenderTool, BadInputIsRefusedWithoutAnOutputFile) {
    Write("page.pgm", "P5 8 4 255\n" + std::string(32, '\x80'));
    Write("truncated.pgm", "P5 8 4 255\n" + std::string(31, '\x80'));
    Write("junk.png", "\x89PNG\r\n\x1a\n garbage");
    const std::string page = Path("page.pgm");
    const std::string cases[] = {
        Path("missing.png"),
        Path("truncated.pgm"),
        Path("junk.png"),
        page + " --no-such-option",
        page + " --set iNoSuchField=1",
        page + " --set iSpeed=4294967296",
        page + " --set iSpeed=fast",
        page + " --set iSpeed",
        page + " --language TSPL",
        page + " --bits 4",
        page + " --dpi 0",
        page + " --zddata " + Path("missing.bin"),
    };
    for (const std::string& args : cases) {
        std::string err;
        EXPECT_EQ(Run(args + " -o " + Path("out.bin"), &err), 2) << args;
        EXPECT_EQ(err.rfind("zendor-render: ", 0), 0u) << args;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(fs::exists(Path("out.bin"))) << args;
    }
}

TEST_F(ZendorRenderTool, ModelGivesLanguageResolutionAndInitialRecords) {
    std::string out = Path("model.tspl");
    ASSERT_EQ(Run(std::string(ZD_SAMPLE_LABEL) + " --model 'Zendor LT-430T' -o " + out), 0);
    std::string job = Slurp(out);
    // 300 dpi: 12 dots a millimetre; a new printer leaves speed, density and ribbon to the
    // printer and senses gaps.
    EXPECT_EQ(job.rfind("SIZE 34 mm,20 mm\r\nREFERENCE 0,0\r\nGAP 3 mm,0 mm\r\n", 0), 0u);
    EXPECT_EQ(job.find("SPEED"), std::string::npos);
    // A field set on top of the model's records.
    ASSERT_EQ(
        Run(std::string(ZD_SAMPLE_LABEL) + " --model 'Zendor LT-430T' --set iSpeed=3 -o " + out),
        0);
    EXPECT_NE(Slurp(out).find("SPEED 3\r\n"), std::string::npos);

    std::string err;
    EXPECT_EQ(Run(std::string(ZD_SAMPLE_LABEL) + " --model 'No Such Model' -o " + out, &err), 2);
    EXPECT_NE(err.find("unknown model"), std::string::npos);
    ASSERT_EQ(Run("--list-models > " + Path("models.txt")), 0);
    EXPECT_NE(Slurp(Path("models.txt")).find("Zendor LT-430T"), std::string::npos);
}

TEST_F(ZendorRenderTool, PreviewShowsThePrintedPageInEveryLanguage) {
    for (const char* language : {"tspl", "escpos", "cpcl", "paperang"}) {
        SCOPED_TRACE(language);
        const std::string preview = Path(std::string(language) + ".png");
        std::string err;
        // A label page: ESC/POS leaves its last 16 rows unsent.
        ASSERT_EQ(
            Run(std::string(ZD_SAMPLE_LABEL) + " --language " + language +
                    " --set iPaperType=1 --pages 2 --preview " + preview + " > " + Path("stdout"),
                &err),
            0)
            << err;
        EXPECT_EQ(Slurp(Path("stdout")), "") << "no command stream without -o";
        for (const std::string& name : {preview, Path(std::string(language) + "-2.png")}) {
            PageImage printed;
            ASSERT_TRUE(ReadPageImage(name, printed, err)) << name << ": " << err;
            EXPECT_EQ(printed.width, 416u);  // 52 bytes a row, filler included
            EXPECT_EQ(printed.height, std::string(language) == "escpos" ? 224u : 240u);
            EXPECT_EQ(printed.channels, 1);
        }
        EXPECT_FALSE(fs::exists(Path(std::string(language) + "-3.png")));
    }
    // The same page, whichever language carried it.
    PageImage tspl, paperang;
    std::string err;
    ASSERT_TRUE(ReadPageImage(Path("tspl.png"), tspl, err));
    ASSERT_TRUE(ReadPageImage(Path("paperang.png"), paperang, err));
    EXPECT_EQ(tspl.pixels, paperang.pixels);
}

TEST_F(ZendorRenderTool, DebugDirHoldsTheDiagnosticsOnlyWithTheSwitchOn) {
    const std::string on = Path("on"), off = Path("off");
    fs::create_directories(on);
    fs::create_directories(off);
    ASSERT_EQ(Run(std::string(ZD_SAMPLE_LABEL) + " -o " + Path("a.tspl") + " --debug-dir " + off),
              0);
    EXPECT_TRUE(fs::is_empty(off));
    ASSERT_EQ(Run(std::string(ZD_SAMPLE_LABEL) + " -o " + Path("b.tspl") + " --set bDebug=1" +
                  " --debug-dir " + on),
              0);
    std::vector<std::string> suffixes;
    for (const auto& entry : fs::directory_iterator(on)) {
        std::string name = entry.path().filename().string();
        // "YYYYMMDD-hh.mm.ss.mmm" and the kind of file
        ASSERT_GT(name.size(), 21u) << name;
        EXPECT_EQ(name[8], '-');
        suffixes.push_back(name.substr(21));
    }
    std::sort(suffixes.begin(), suffixes.end());
    EXPECT_EQ(suffixes, (std::vector<std::string>{".begin.bmp", ".end.bmp", ".log"}));
    // Another program reads the dumps as Windows bitmaps: the page before (8-bit) and after
    // (1-bit) preparation.
    if (std::system("command -v identify >/dev/null 2>&1") == 0) {
        for (const auto& entry : fs::directory_iterator(on)) {
            std::string name = entry.path().string();
            if (name.size() < 4 || name.substr(name.size() - 4) != ".bmp")
                continue;
            std::string out = Path("identify.txt");
            ASSERT_EQ(std::system(("identify -format '%m %w %h %z' " + name + " > " + out).c_str()),
                      0);
            bool begin = name.find(".begin.bmp") != std::string::npos;
            EXPECT_EQ(Slurp(out), begin ? "BMP3 400 240 8" : "BMP3 400 240 1") << name;
        }
    }
    // The log does not change what is printed.
    EXPECT_EQ(Slurp(Path("a.tspl")), Slurp(Path("b.tspl")));
}
#endif  // _WIN32

TEST(PnmReader, DecodesAndRefusesDamagedFiles) {
    PageImage image;
    std::string error;
    std::string pgm = "P5\n# made by hand\n3 2\n255\n" + std::string("\x00\x80\xff\x01\x02\x03", 6);
    ASSERT_TRUE(
        DecodePnm(reinterpret_cast<const std::uint8_t*>(pgm.data()), pgm.size(), image, error));
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.channels, 1);
    EXPECT_EQ(image.pixels[1], 0x80);
    std::string ppm16 = "P6 1 1 65535\n" + std::string("\xff\xff\x00\x00\x80\x00", 6);
    ASSERT_TRUE(
        DecodePnm(reinterpret_cast<const std::uint8_t*>(ppm16.data()), ppm16.size(), image, error));
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{255, 0, 128}));

    for (std::string bad : {std::string("P5 0 2 255\n"), std::string("P5 40000 1 255\n"),
                            std::string("P5 2 2 0\n"), std::string("P5 2 2"),
                            std::string("P3 1 1 255\n0"), std::string("P5 99999999999 1 255\n")}) {
        EXPECT_FALSE(
            DecodePnm(reinterpret_cast<const std::uint8_t*>(bad.data()), bad.size(), image, error))
            << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(RecordFieldsTest, SetsIntegersAndTheWatermarkPath) {
    std::vector<unsigned char> watermark(kWatermarkSettingsSize, 0);
    std::string error;
    ASSERT_TRUE(SetRecordField(*FindRecordField("crAlphaColor"), "0xFFFFFF", watermark, error));
    ASSERT_TRUE(SetRecordField(*FindRecordField("iMarginX"), "-12", watermark, error));
    // A path of 300 characters keeps its first 259, then NUL.
    ASSERT_TRUE(
        SetRecordField(*FindRecordField("szPath"), std::string(300, 'a'), watermark, error));
    WatermarkSettings w;
    std::memcpy(&w, watermark.data(), sizeof w);
    EXPECT_EQ(w.crAlphaColor, 0xFFFFFF);
    EXPECT_EQ(w.iMarginX, -12);
    EXPECT_EQ(w.szPath[258], u'a');
    EXPECT_EQ(w.szPath[259], u'\0');
    EXPECT_EQ(w.iAlpha, 0);  // nothing past the field was touched

    EXPECT_FALSE(SetRecordField(*FindRecordField("iAlpha"), "2147483648", watermark, error));
    EXPECT_FALSE(SetRecordField(*FindRecordField("szPath"), "\xff\xfe", watermark, error));
    EXPECT_EQ(FindRecordField("szpath"), nullptr);
}

}  // namespace
