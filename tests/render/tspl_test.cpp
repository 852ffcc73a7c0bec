// The TSPL label job, byte for byte, through the whole plug-in surface.
#include "render_fixture.h"

namespace rendertest {
namespace {

constexpr char kCrLf[] = "\r\n";

std::string Line(const std::string& text) {
    return text + kCrLf;
}

// The settings part of a job, one write per line, in the writer's order.
struct TsplLines {
    std::string size, ribbon, peel, reference, gap, offset, density, speed;
    std::string autoDotted = Line("SETC AUTODOTTED ON");
    std::string pauseKey = Line("SETC PAUSEKEY OFF");
    std::string wasteMark = Line("SETC WATERMARK OFF");
};

std::vector<std::string> TsplJob(const TsplLines& l, int stride, int height,
                                 const std::string& raster) {
    std::vector<std::string> job;
    for (const std::string* piece :
         {&l.size, &l.ribbon, &l.peel, &l.reference, &l.gap, &l.offset, &l.density, &l.speed,
          &l.autoDotted, &l.pauseKey, &l.wasteMark}) {
        if (!piece->empty())
            job.push_back(*piece);
    }
    job.push_back(Line("CLS"));
    job.push_back("BITMAP 0,0," + std::to_string(stride) + "," + std::to_string(height) + ",1,");
    job.push_back(raster);
    job.push_back(kCrLf);
    job.push_back(Line("PRINT 1,1"));
    return job;
}

TsplLines WorkedExampleLines() {
    TsplLines l;
    l.size = Line("SIZE 50 mm,30 mm");
    l.ribbon = Line("SET RIBBON OFF");
    l.reference = Line("REFERENCE 0,0");
    l.gap = Line("GAP 3 mm,0 mm");
    l.offset = Line("OFFSET 0 mm");
    l.density = Line("DENSITY 8");
    l.speed = Line("SPEED 4");
    return l;
}

TEST_F(RenderTest, WorkedExampleAt203Dpi) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(400, 240, Pattern)}, {.bandHeight = 64});
    ExpectChunks(spool,
                 TsplJob(WorkedExampleLines(), 52, 240, ThresholdRaster(400, 240, Pattern, 175)));
}

TEST_F(RenderTest, WorkedExampleAt300Dpi) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(591, 354, Pattern, 300)}, {.bandHeight = 100});
    ExpectChunks(spool,
                 TsplJob(WorkedExampleLines(), 76, 354, ThresholdRaster(591, 354, Pattern, 175)));
}

// Each case changes the worked example's settings and the lines that change with them.
struct LineCase {
    const char* name;
    std::function<void(DeviceSettings&)> change;
    std::function<void(TsplLines&)> expect;
    LONG dpi = 203;
};

class TsplLineTest : public RenderTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(TsplLineTest, WritesTheSettingsLines) {
    const LineCase& c = GetParam();
    DeviceSettings s = WorkedExampleSettings();
    c.change(s);
    AddPrinter(u"P", u"tspl", s, ThresholdSettings());
    LONG w = c.dpi == 600 ? 1200 : 400, h = c.dpi == 600 ? 720 : 240;
    Spool spool = Print(u"P", {GrayPage(w, h, Pattern, c.dpi)}, {.bandHeight = 64});
    TsplLines lines = WorkedExampleLines();
    c.expect(lines);
    ExpectChunks(spool, TsplJob(lines, static_cast<int>((w + 31) / 32 * 4), h,
                                ThresholdRaster(w, h, Pattern, 175)));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, TsplLineTest,
    ::testing::Values(LineCase{"Speed0WritesSpeed4", [](auto& s) { s.iSpeed = 0; },
                               [](auto& l) { l.speed = Line("SPEED 4"); }},
                      LineCase{"NegativeSpeedWritesNoLine", [](auto& s) { s.iSpeed = -1; },
                               [](auto& l) { l.speed.clear(); }},
                      LineCase{"Speed10", [](auto& s) { s.iSpeed = 10; },
                               [](auto& l) { l.speed = Line("SPEED 10"); }},
                      LineCase{"NegativeDensityWritesNoLine", [](auto& s) { s.iDensity = -1; },
                               [](auto& l) { l.density.clear(); }},
                      LineCase{"Density0", [](auto& s) { s.iDensity = 0; },
                               [](auto& l) { l.density = Line("DENSITY 0"); }},
                      LineCase{"ContinuousPaperHasNoGap", [](auto& s) { s.iPaperType = 0; },
                               [](auto& l) { l.gap.clear(); }},
                      LineCase{"BlackMark",
                               [](auto& s) {
                                   s.iPaperType = 2;
                                   s.iGapHeight = 5;
                                   s.iGapOffset = 2;
                               },
                               [](auto& l) { l.gap = Line("BLINE 5 mm,2 mm"); }},
                      LineCase{"TearOff", [](auto& s) { s.iPostAction = 1; },
                               [](auto& l) { l.peel = Line("SET PEEL OFF"); }},
                      LineCase{"PeelOff", [](auto& s) { s.iPostAction = 3; },
                               [](auto& l) { l.peel = Line("SET PEEL ON"); }},
                      LineCase{"CutWritesNoPeel", [](auto& s) { s.iPostAction = 2; }, [](auto&) {}},
                      LineCase{"ThermalTransfer", [](auto& s) { s.iHeadType = 1; },
                               [](auto& l) { l.ribbon = Line("SET RIBBON ON"); }},
                      LineCase{"PrinterOwnHeadWritesNoRibbon", [](auto& s) { s.iHeadType = -1; },
                               [](auto& l) { l.ribbon.clear(); }},
                      LineCase{"NegativeFeedAndOffsetAreWrittenAsStored",
                               [](auto& s) {
                                   s.iFeed = -5;
                                   s.iOffsetX = -1;
                               },
                               [](auto& l) {
                                   l.offset = Line("OFFSET -5 mm");
                                   l.reference = Line("REFERENCE -8,0");
                               }},
                      LineCase{"Switches",
                               [](auto& s) {
                                   s.bAutoDotted = 0;
                                   s.bPauseKey = 1;
                                   s.bWasteMark = 1;
                               },
                               [](auto& l) {
                                   l.autoDotted = Line("SETC AUTODOTTED OFF");
                                   l.pauseKey = Line("SETC PAUSEKEY ON");
                                   l.wasteMark = Line("SETC WATERMARK ON");
                               }},
                      LineCase{"Class600UsesTwentyFourDotsPerMillimetre",
                               [](auto& s) {
                                   s.iOffsetX = 2;
                                   s.iOffsetY = 1;
                               },
                               [](auto& l) { l.reference = Line("REFERENCE 48,24"); }, 600}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RenderTest, PageWidthOf401RoundsSizeUpAndSendsWhiteFiller) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings());
    auto black = [](LONG, LONG) -> BYTE { return 0; };
    Spool spool = Print(u"P", {GrayPage(401, 16, black)});
    ASSERT_GE(spool.chunks.size(), 13u);
    EXPECT_EQ(spool.chunks[0], Line("SIZE 51 mm,2 mm"));
    std::string raster = spool.chunks[12];
    ASSERT_EQ(raster.size(), 52u * 16);
    // 401 black pixels, then 15 white filler bits: byte 50 is 0x7F, byte 51 all white.
    EXPECT_EQ(static_cast<BYTE>(raster[49]), 0x00);
    EXPECT_EQ(static_cast<BYTE>(raster[50]), 0x7F);
    EXPECT_EQ(static_cast<BYTE>(raster[51]), 0xFF);
}

TEST_F(RenderTest, AllWhitePageSendsEveryRasterByte) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(400, 240, [](LONG, LONG) -> BYTE { return 255; })},
                        {.flagBlankBands = true});
    ASSERT_GE(spool.chunks.size(), 13u);
    EXPECT_TRUE(spool.chunks[12] == std::string(52 * 240, '\xFF'));
}

}  // namespace
}  // namespace rendertest
