// The CPCL label, byte for byte, through the whole plug-in surface.
#include "render_fixture.h"

namespace rendertest {
namespace {

DeviceSettings CpclSettings(int offsetX, int paperType) {
    DeviceSettings s = WorkedExampleSettings();
    s.iOffsetX = offsetX;
    s.iPaperType = paperType;
    return s;
}

TEST_F(RenderTest, CpclWorkedExample) {
    AddPrinter(u"P", u"cpcl", CpclSettings(0, 1), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(400, 240, Pattern)});
    ExpectChunks(spool,
                 {"! 0 200 200 240 1\r\n", "PAGE - WIDTH 50\r\n", "CG 52 240 0 0",
                  Inverted(ThresholdRaster(400, 240, Pattern, 175)), "FORM\r\n", "PRINT\r\n"});
}

TEST_F(RenderTest, CpclHeaderWidthAndFormByClassAndPaper) {
    struct Case {
        LONG width, dpi;
        int offsetX, paperType;
        std::vector<std::string> lines;  // header, width line, graphics, [FORM]
    } cases[] = {
        // The offset counts 8 dots per millimetre and the header says 200 at every class.
        {400, 203, 3, 0, {"! 24 200 200 20 1\r\n", "PAGE - WIDTH 50\r\n", "CG 52 20 0 0"}},
        {591, 300, 3, 2, {"! 24 200 200 20 1\r\n", "PAGE - WIDTH 50\r\n", "CG 76 20 0 0"}},
        {1200, 600, 3, 1, {"! 24 200 200 20 1\r\n", "PAGE - WIDTH 50\r\n", "CG 152 20 0 0"}},
        {401, 203, -2, 9, {"! -16 200 200 20 1\r\n", "PAGE - WIDTH 51\r\n", "CG 52 20 0 0"}},
    };
    char16_t name = u'A';
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines[0]);
        const std::u16string printer(1, name++);
        AddPrinter(printer, u"cpcl", CpclSettings(c.offsetX, c.paperType), ThresholdSettings());
        Spool spool = Print(printer, {GrayPage(c.width, 20, Pattern, c.dpi)});
        std::vector<std::string> expected = c.lines;
        expected.push_back(Inverted(ThresholdRaster(c.width, 20, Pattern, 175)));
        if (c.paperType == 1 || c.paperType == 2)
            expected.push_back("FORM\r\n");
        expected.push_back("PRINT\r\n");
        ExpectChunks(spool, expected);
    }
}

TEST_F(RenderTest, CpclWhitePageSendsZeroBytes) {
    AddPrinter(u"P", u"cpcl", CpclSettings(0, 0), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(64, 9, [](LONG, LONG) -> BYTE { return 255; })});
    ASSERT_EQ(spool.chunks.size(), 5u);
    EXPECT_EQ(spool.chunks[3], std::string(8 * 9, '\0'));
}

}  // namespace
}  // namespace rendertest
