// Collecting bands into pages, the page triggers, the writer per device and the failure paths.
#include "render/printer_render.h"
#include "render_fixture.h"

namespace rendertest {
namespace {

int CountOf(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

// The raster of the one page in a spool stream.
std::string RasterOf(const Spool& spool) {
    for (std::size_t i = 0; i + 1 < spool.chunks.size(); ++i) {
        if (spool.chunks[i].rfind("BITMAP ", 0) == 0)
            return spool.chunks[i + 1];
    }
    return {};
}

class TriggerTest : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings());
    }
};

TEST_F(TriggerTest, EachTriggerRendersAPendingPageExactlyOnce) {
    struct Case {
        const char* trigger;
        host::SimOptions options;
    } cases[] = {
        {"NextBand (-1, -1)", {.bandHeight = 50}},
        {"SendPage", {.bandHeight = 50, .reportLastBand = false}},
        {"EndDoc", {.bandHeight = 50, .reportLastBand = false, .sendPage = false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trigger);
        Spool spool =
            Print(u"P", {GrayPage(400, 240, Pattern), GrayPage(400, 240, Pattern)}, c.options);
        std::string bytes = spool.Bytes();
        // Without SendPage the two pages run together into one, rendered at EndDoc.
        int pages = c.options.sendPage ? 2 : 1;
        EXPECT_EQ(CountOf(bytes, "PRINT 1,1\r\n"), pages);
        EXPECT_EQ(CountOf(bytes, "BITMAP 0,0,52," + std::to_string(240 * (3 - pages)) + ",1,"),
                  pages);
    }
}

TEST_F(TriggerTest, BandsOfAnyHeightJoinInDeliveryOrder) {
    std::string reference =
        RasterOf(Print(u"P", {GrayPage(400, 240, Pattern)}, {.bandHeight = 240}));
    ASSERT_EQ(reference, ThresholdRaster(400, 240, Pattern, 175));
    for (LONG band : {1, 7, 64, 239, 1000}) {
        SCOPED_TRACE(band);
        EXPECT_EQ(RasterOf(Print(u"P", {GrayPage(400, 240, Pattern)}, {.bandHeight = band})),
                  reference);
    }
}

TEST_F(TriggerTest, BandDepthsGiveTheSameBlackAndWhitePage) {
    // Pure black and white, so every depth carries the same picture.
    auto checker = [](LONG x, LONG y) -> BYTE { return ((x / 5 + y / 3) % 2) ? 255 : 0; };
    host::SimPage gray = GrayPage(123, 45, checker);
    std::string expected = ThresholdRaster(123, 45, checker, 175);
    EXPECT_EQ(RasterOf(Print(u"P", {gray})), expected);

    host::SimPage mono = gray;
    mono.bits = 1;
    mono.rows = [checker](LONG first, LONG count, BYTE* out, DWORD stride) {
        for (LONG r = 0; r < count; ++r) {
            for (LONG x = 0; x < 123; ++x) {
                if (checker(x, first + r))
                    out[r * stride + x / 8] |= 0x80 >> (x % 8);
            }
        }
    };
    EXPECT_EQ(RasterOf(Print(u"P", {mono})), expected);

    host::SimPage color = gray;
    color.bits = 24;
    color.rows = [checker](LONG first, LONG count, BYTE* out, DWORD stride) {
        for (LONG r = 0; r < count; ++r) {
            for (LONG x = 0; x < 123; ++x) {
                BYTE v = checker(x, first + r);
                out[r * stride + 3 * x] = out[r * stride + 3 * x + 1] =
                    out[r * stride + 3 * x + 2] = v;
            }
        }
    };
    EXPECT_EQ(RasterOf(Print(u"P", {color})), expected);
}

TEST_F(TriggerTest, BlankBandsAreWhite) {
    auto topHalfWhite = [](LONG x, LONG y) -> BYTE { return y < 128 ? 255 : Pattern(x, y); };
    Spool spool =
        Print(u"P", {GrayPage(400, 240, topHalfWhite)}, {.bandHeight = 64, .flagBlankBands = true});
    EXPECT_EQ(RasterOf(spool), ThresholdRaster(400, 240, topHalfWhite, 175));
}

TEST(DpiClass, FromTheReportedResolution) {
    const std::pair<LONG, int> cases[] = {{203, 200}, {299, 200},  {300, 300}, {599, 300},
                                          {600, 600}, {1200, 600}, {0, 200},   {-5, 200}};
    for (auto [dpi, expected] : cases)
        EXPECT_EQ(DpiClassOf(dpi), expected) << dpi;
}

TEST_F(RenderTest, UnknownOrMissingLanguageWritesNothing) {
    AddPrinter(u"Upper", u"TSPL");
    AddPrinter(u"None", std::nullopt);
    EXPECT_TRUE(Print(u"Upper", {GrayPage(64, 64, Pattern)}).chunks.empty());
    EXPECT_TRUE(TraceHas("Unknow printer command type : TSPL"));
    host::ClearTrace();
    EXPECT_TRUE(Print(u"None", {GrayPage(64, 64, Pattern)}).chunks.empty());
    EXPECT_TRUE(TraceStartsWith("GetPrinterData1 dwStatus = 2 error = "));
    EXPECT_TRUE(TraceHas("Unknow printer command type : "));
}

TEST_F(RenderTest, MissingRecordsUseTheFallbacks) {
    AddPrinter(u"P", u"tspl");
    // 40 bytes of a record: the fields past them read as 0.
    DeviceSettings s = WorkedExampleSettings();
    auto shortRecord = RecordBytes(s);
    shortRecord.resize(40);
    AddPrinter(u"Short", u"tspl");
    SetValue(u"Short", kDeviceSettingsValue, shortRecord);

    std::string fallback = Print(u"P", {GrayPage(400, 240, Pattern)}).Bytes();
    EXPECT_NE(fallback.find("SPEED 14\r\nSETC AUTODOTTED OFF\r\nSETC PAUSEKEY ON\r\n"
                            "SETC WATERMARK ON\r\nCLS\r\n"),
              std::string::npos);
    EXPECT_EQ(fallback.find("GAP"), std::string::npos);  // continuous paper
    EXPECT_NE(fallback.find("SET RIBBON OFF\r\nREFERENCE 0,0\r\nOFFSET 0 mm\r\nDENSITY 8\r\n"),
              std::string::npos);

    std::string shortBytes = Print(u"Short", {GrayPage(400, 240, Pattern)}).Bytes();
    // Paper type, gap, feed, post action and head type came from beyond the 40 bytes.
    EXPECT_EQ(shortBytes.find("GAP"), std::string::npos);
    EXPECT_NE(shortBytes.find("SET RIBBON OFF\r\n"), std::string::npos);
    EXPECT_NE(shortBytes.find("SPEED 4\r\n"), std::string::npos);
}

TEST_F(RenderTest, LongerStoredRecordKeepsItsLayout) {
    AddPrinter(u"P", u"tspl");
    auto bytes = RecordBytes(WorkedExampleSettings());
    bytes.resize(200, 0x7F);
    SetValue(u"P", kDeviceSettingsValue, bytes);
    std::string out = Print(u"P", {GrayPage(400, 240, Pattern)}).Bytes();
    EXPECT_NE(out.find("GAP 3 mm,0 mm\r\nOFFSET 0 mm\r\nDENSITY 8\r\nSPEED 4\r\n"),
              std::string::npos);
}

TEST_F(RenderTest, UnreadableRecordsFallBackWithTheirTraceLines) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings(0));
    m_spooler.InjectFault(FaultOn("GetPrinterDataExW", ERROR_ACCESS_DENIED, kDeviceSettingsValue));
    m_spooler.InjectFault(FaultOn("GetPrinterDataExW", ERROR_INVALID_HANDLE, kHalftoneSettingsValue,
                                  host::FaultStep::Fetch));

    Spool faulted = Print(u"P", {GrayPage(400, 240, Pattern)});
    EXPECT_TRUE(TraceStartsWith("GetPrinterData1 dwStatus = 5 error = 5, " +
                                host::SystemMessage(ERROR_ACCESS_DENIED)));
    EXPECT_TRUE(TraceStartsWith("GetPrinterData2 dwStatus = 6 error = 6, " +
                                host::SystemMessage(ERROR_INVALID_HANDLE)));
    EXPECT_NE(faulted.Bytes().find("SPEED 14\r\n"), std::string::npos);  // device fallback
    // The halftone fallback (Burkes) replaced the stored threshold 0.
    EXPECT_EQ(RasterOf(faulted), DitheredRaster(400, 240, Pattern, 2));
    // The faults are spent: the next job reads the stored records.
    EXPECT_EQ(RasterOf(Print(u"P", {GrayPage(400, 240, Pattern)})),
              ThresholdRaster(400, 240, Pattern, 0));
}

TEST_F(RenderTest, SettingsAreReadThroughTheHostHandleWhenFullAccessIsRefused) {
    DeviceSettings s = WorkedExampleSettings();
    s.iSpeed = 7;
    AddPrinter(u"P", u"tspl", s, ThresholdSettings());
    // The test opens the host's handle first; the plug-in's own full-access open is refused.
    host::Fault refused = FaultOn("OpenPrinterW", ERROR_ACCESS_DENIED);
    refused.skip = 1;
    m_spooler.InjectFault(refused);
    std::string out = Print(u"P", {GrayPage(400, 240, Pattern)}).Bytes();
    EXPECT_TRUE(TraceStartsWith("OpenPrinter error = 5, "));
    EXPECT_NE(out.find("SPEED 7\r\n"), std::string::npos);
}

TEST_F(RenderTest, BandAllocationFailureDropsOnlyThatPage) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings());
    // The second band of the first page cannot be stored.
    host::FailAllocations(1, 1);
    Spool spool =
        Print(u"P", {GrayPage(400, 240, Pattern), GrayPage(400, 240, Pattern)}, {.bandHeight = 64});
    EXPECT_TRUE(TraceHas("BITMAP:  LocalAlloc failed!\n"));
    std::string bytes = spool.Bytes();
    EXPECT_EQ(CountOf(bytes, "PRINT 1,1\r\n"), 1);
    EXPECT_EQ(RasterOf(spool), ThresholdRaster(400, 240, Pattern, 175));
}

TEST_F(RenderTest, EachDeviceHasItsOwnWriterAndSettings) {
    DeviceSettings slow = WorkedExampleSettings();
    slow.iSpeed = 2;
    DeviceSettings fast = WorkedExampleSettings();
    fast.iSpeed = 6;
    AddPrinter(u"Slow", u"tspl", slow, ThresholdSettings());
    AddPrinter(u"Fast", u"tspl", fast, ThresholdSettings());
    AddPrinter(u"Other", u"cpcl-like");

    Spool a, b, c;
    auto sink = [](Spool& s) {
        return [&s](const BYTE* bytes, DWORD n) {
            s.chunks.emplace_back(reinterpret_cast<const char*>(bytes), n);
        };
    };
    HANDLE ha, hb, hc;
    ASSERT_TRUE(m_spooler.OpenPrinterW(u"Slow", &ha, PRINTER_ACCESS_USE));
    ASSERT_TRUE(m_spooler.OpenPrinterW(u"Fast", &hb, PRINTER_ACCESS_USE));
    ASSERT_TRUE(m_spooler.OpenPrinterW(u"Other", &hc, PRINTER_ACCESS_USE));
    {
        host::SimulatedHost hostA(&DllGetClassObject, sink(a));
        host::SimulatedHost hostB(&DllGetClassObject, sink(b));
        host::SimulatedHost hostC(&DllGetClassObject, sink(c));
        for (auto* h : {&hostA, &hostB, &hostC})
            ASSERT_TRUE(h->Load());
        ASSERT_TRUE(hostA.EnableDevice(ha, {}));
        ASSERT_TRUE(hostB.EnableDevice(hb, {}));
        ASSERT_TRUE(hostC.EnableDevice(hc, {}));
        for (auto* h : {&hostA, &hostB, &hostC})
            h->StartDoc(u"doc");
        // Interleaved pages of three devices in one process.
        for (int i = 0; i < 2; ++i) {
            hostA.PrintPage(GrayPage(400, 240, Pattern));
            hostC.PrintPage(GrayPage(400, 240, Pattern));
            hostB.PrintPage(GrayPage(200, 80, Pattern));
        }
        for (auto* h : {&hostA, &hostB, &hostC})
            h->EndDoc();
    }
    for (HANDLE h : {ha, hb, hc})
        m_spooler.ClosePrinter(h);
    EXPECT_EQ(CountOf(a.Bytes(), "SPEED 2\r\n"), 2);
    EXPECT_EQ(CountOf(a.Bytes(), "BITMAP 0,0,52,240,1,"), 2);
    EXPECT_EQ(CountOf(b.Bytes(), "SPEED 6\r\n"), 2);
    EXPECT_EQ(CountOf(b.Bytes(), "BITMAP 0,0,28,80,1,"), 2);
    EXPECT_TRUE(c.chunks.empty());
}

TEST_F(RenderTest, AppliedSettingsReachTheNextJob) {
    DeviceSettings s = WorkedExampleSettings();
    AddPrinter(u"P", u"tspl", s, ThresholdSettings());
    EXPECT_NE(Print(u"P", {GrayPage(64, 64, Pattern)}).Bytes().find("SPEED 4\r\n"),
              std::string::npos);
    s.iSpeed = 9;
    SetValue(u"P", kDeviceSettingsValue, RecordBytes(s));
    EXPECT_NE(Print(u"P", {GrayPage(64, 64, Pattern)}).Bytes().find("SPEED 9\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace rendertest
