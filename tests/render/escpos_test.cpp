// The ESC/POS raster job, byte for byte, through the whole plug-in surface.
#include "render_fixture.h"

namespace rendertest {
namespace {

const std::string kJobStart = Bytes({0x10, 0xFF, 0xFE, 0x01});
const std::string kInitialize = Bytes({0x1B, 0x40, 0x00});
const std::string kJobEnd = Bytes({0x10, 0xFF, 0xFE, 0x45});
const std::string kFeedToNextLabel = Bytes({0x1D, 0x0C});
const std::string kContinuousEnd = Bytes({0x10, 0x50});

std::string Density(int d) {
    return Bytes({0x10, 0xFF, 0x10, 0x00, d});
}

// GS v 0, normal mode, x bytes per row, y rows.
std::string RasterCommand(int x, int y) {
    return Bytes({0x1D, 0x76, 0x30, 0x00, x & 0xFF, x >> 8, y & 0xFF, y >> 8});
}

DeviceSettings EscPosSettings(int density, int paperType) {
    DeviceSettings s = WorkedExampleSettings();
    s.iDensity = density;
    s.iPaperType = paperType;
    return s;
}

TEST_F(RenderTest, EscPosWorkedExampleFirstAndSecondDocument) {
    AddPrinter(u"P", u"escpos", EscPosSettings(2, 0), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(400, 240, Pattern)}, {}, 2);
    const std::string raster = Inverted(ThresholdRaster(400, 240, Pattern, 175));
    ExpectChunks(spool, {kJobStart, kInitialize, Density(2), RasterCommand(52, 240), raster,
                         kContinuousEnd, kJobEnd,
                         // The writer began its job once: the second document has no set-up.
                         RasterCommand(52, 240), raster, kContinuousEnd, kJobEnd});
    EXPECT_EQ(RasterCommand(52, 240), Bytes({0x1D, 0x76, 0x30, 0x00, 0x34, 0x00, 0xF0, 0x00}));
}

TEST_F(RenderTest, EscPosDensityByte) {
    char16_t name = u'A';
    for (auto [density, sent] : {std::pair{-1, 5}, {9, 5}, {0, 0}, {5, 5}, {3, 3}}) {
        SCOPED_TRACE(density);
        const std::u16string printer(1, name++);
        AddPrinter(printer, u"escpos", EscPosSettings(density, 0), ThresholdSettings());
        Spool spool = Print(printer, {GrayPage(8, 4, Pattern)});
        ASSERT_GE(spool.chunks.size(), 3u);
        EXPECT_EQ(spool.chunks[2], Density(sent));
    }
}

TEST_F(RenderTest, EscPosPaperTypesAndFinishing) {
    struct Case {
        int paperType;
        LONG height;
        int rowsSent;
        std::vector<std::string> finish;
    } cases[] = {
        {0, 240, 240, {kContinuousEnd}},
        {1, 240, 224, {kFeedToNextLabel}},
        {2, 240, 224, {kFeedToNextLabel}},
        {7, 240, 240, {}},
        // Fewer rows than the gap keeps: no rows, as for a page of exactly 16 rows.
        {1, 16, 0, {kFeedToNextLabel}},
        {2, 5, 0, {kFeedToNextLabel}},
        {0, 5, 5, {kContinuousEnd}},
    };
    char16_t name = u'A';
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "paper type " << c.paperType << ", " << c.height << " rows");
        const std::u16string printer(1, name++);
        AddPrinter(printer, u"escpos", EscPosSettings(2, c.paperType), ThresholdSettings());
        Spool spool = Print(printer, {GrayPage(400, c.height, Pattern)});
        std::string raster = Inverted(ThresholdRaster(400, c.height, Pattern, 175));
        std::vector<std::string> expected = {kJobStart, kInitialize, Density(2),
                                             RasterCommand(52, c.rowsSent),
                                             raster.substr(0, 52 * c.rowsSent)};
        expected.insert(expected.end(), c.finish.begin(), c.finish.end());
        expected.push_back(kJobEnd);
        ExpectChunks(spool, expected);
    }
}

TEST_F(RenderTest, EscPosSameLayoutAtEveryResolution) {
    AddPrinter(u"P", u"escpos", EscPosSettings(2, 0), ThresholdSettings());
    for (LONG dpi : {300, 600}) {
        SCOPED_TRACE(dpi);
        Spool spool = Print(u"P", {GrayPage(591, 30, Pattern, dpi)});
        ASSERT_EQ(spool.chunks.size(), 7u);
        EXPECT_EQ(spool.chunks[3], Bytes({0x1D, 0x76, 0x30, 0x00, 0x4C, 0x00, 30, 0}));
        EXPECT_EQ(spool.chunks[4], Inverted(ThresholdRaster(591, 30, Pattern, 175)));
    }
}

TEST_F(RenderTest, EscPosWhitePageSendsZeroBytes) {
    AddPrinter(u"P", u"escpos", EscPosSettings(2, 0), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(100, 10, [](LONG, LONG) -> BYTE { return 255; })});
    ASSERT_EQ(spool.chunks.size(), 7u);
    EXPECT_EQ(spool.chunks[4], std::string(16 * 10, '\0'));
}

}  // namespace
}  // namespace rendertest
