// The page preparation through the whole plug-in surface: watermark, landscape, tone,
// black and white, print direction and filler bits, as the TSPL raster shows them.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "render_fixture.h"

namespace rendertest {
namespace {

namespace fs = std::filesystem;

using WhiteFn = std::function<bool(LONG x, LONG y)>;

// A 1-bit raster from the colour of every pixel, filler bits white.
std::string MonoRaster(LONG width, LONG height, const WhiteFn& white) {
    const std::size_t stride = ((width + 31) / 32) * 4;
    std::string raster(stride * height, '\0');
    for (LONG y = 0; y < height; ++y) {
        for (std::size_t bit = 0; bit < stride * 8; ++bit) {
            LONG x = static_cast<LONG>(bit);
            if (x >= width || white(x, y))
                raster[y * stride + bit / 8] |= static_cast<char>(0x80 >> (bit % 8));
        }
    }
    return raster;
}

// Empty when equal, else where the first difference is.
std::string Diff(const std::string& got, const std::string& want, int stride) {
    if (got.size() != want.size())
        return "size " + std::to_string(got.size()) + " instead of " + std::to_string(want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] != want[i]) {
            char text[96];
            std::snprintf(text, sizeof text, "row %zu byte %zu: %02x instead of %02x", i / stride,
                          i % stride, static_cast<BYTE>(got[i]), static_cast<BYTE>(want[i]));
            return text;
        }
    }
    return "";
}

struct TsplPage {
    int stride = 0, height = 0;
    std::string raster;
};

TsplPage PageOf(const Spool& spool) {
    TsplPage page;
    for (std::size_t i = 0; i + 1 < spool.chunks.size(); ++i) {
        if (std::sscanf(spool.chunks[i].c_str(), "BITMAP 0,0,%d,%d,1,", &page.stride,
                        &page.height) == 2) {
            page.raster = spool.chunks[i + 1];
        }
    }
    return page;
}

DeviceSettings Direction(int direction) {
    DeviceSettings s = WorkedExampleSettings();
    s.iDirection = direction;
    return s;
}

class PrepareTest : public RenderTest {
  protected:
    TsplPage Render(const DeviceSettings& device, const HalftoneSettings& halftone,
                    const host::SimPage& page, host::SimOptions options = {},
                    std::optional<WatermarkSettings> watermark = {}) {
        std::u16string name = u"P" + std::u16string(1, m_next++);
        AddPrinter(name, u"tspl", device, halftone, watermark);
        return PageOf(Print(name, {page}, options));
    }
    char16_t m_next = u'A';
};

TEST_F(PrepareTest, ThresholdBrightnessAndContrast) {
    auto ramp = [](LONG x, LONG) -> BYTE { return static_cast<BYTE>(x); };
    struct Case {
        const char* name;
        HalftoneSettings halftone;
        WhiteFn white;
    } cases[] = {
        {"threshold 175", {0, 175, 0, 0}, [](LONG x, LONG) { return x > 175; }},
        {"threshold 300 is 44", {0, 300, 0, 0}, [](LONG x, LONG) { return x > 44; }},
        {"negative method is the threshold", {-3, 10, 0, 0}, [](LONG x, LONG) { return x > 10; }},
        // Brightness 255 makes every level but black white.
        {"brightness 255", {0, 200, 255, 0}, [](LONG x, LONG) { return x > 0; }},
        // Contrast 100 doubles the distance from 128: 129 becomes 130, 128 stays.
        {"contrast 100", {0, 128, 0, 100}, [](LONG x, LONG) { return x > 128; }},
        {"contrast 100 at 127", {0, 126, 0, 100}, [](LONG x, LONG) { return x > 127; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TsplPage page = Render(WorkedExampleSettings(), c.halftone, GrayPage(256, 4, ramp));
        EXPECT_EQ(Diff(page.raster, MonoRaster(256, 4, c.white), 32), "");
    }
}

TEST_F(PrepareTest, EveryMethodNumberPicksItsDithering) {
    // 1 to 10 are the ten methods; anything larger is Floyd-Steinberg.
    const std::pair<int, int> cases[] = {{1, 0},  {2, 1},  {3, 2},   {4, 3}, {5, 4},
                                         {6, 5},  {7, 6},  {8, 7},   {9, 8}, {10, 9},
                                         {11, 0}, {12, 0}, {1000, 0}};
    for (auto [grayMethod, method] : cases) {
        SCOPED_TRACE(grayMethod);
        TsplPage page =
            Render(WorkedExampleSettings(), {grayMethod, 0, 0, 0}, GrayPage(123, 77, Pattern));
        EXPECT_EQ(Diff(page.raster, DitheredRaster(123, 77, Pattern, method), 16), "");
    }
    // The methods differ from each other on this page.
    EXPECT_NE(DitheredRaster(123, 77, Pattern, 0), DitheredRaster(123, 77, Pattern, 2));
}

TEST_F(PrepareTest, DirectionsAndLandscapeAreExactTurns) {
    const LONG w = 400, h = 240;
    auto old = [](LONG x, LONG y) { return Pattern(x, y) > 175; };
    auto clockwise = [&](LONG x, LONG y) { return old(y, h - 1 - x); };
    auto counter = [&](LONG x, LONG y) { return old(w - 1 - y, x); };
    auto half = [&](LONG x, LONG y) { return old(w - 1 - x, h - 1 - y); };
    struct Case {
        const char* name;
        int direction;
        bool landscape;
        LONG width, height;
        WhiteFn white;
    } cases[] = {
        {"direction 0", 0, false, w, h, old},
        {"direction 1: half turn", 1, false, w, h, half},
        {"direction 2: counter-clockwise", 2, false, h, w, counter},
        {"direction 3: clockwise", 3, false, h, w, clockwise},
        {"direction 7: none", 7, false, w, h, old},
        {"landscape", 0, true, h, w, clockwise},
        {"landscape and direction 3", 3, true, w, h, half},
        {"landscape and direction 2", 2, true, w, h, old},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TsplPage page = Render(Direction(c.direction), ThresholdSettings(), GrayPage(w, h, Pattern),
                               {.landscape = c.landscape});
        EXPECT_EQ(page.stride, static_cast<int>(((c.width + 31) / 32) * 4));
        EXPECT_EQ(page.height, c.height);
        EXPECT_EQ(Diff(page.raster, MonoRaster(c.width, c.height, c.white), page.stride), "");
    }
}

TEST_F(PrepareTest, FillerBitsOfA401PixelPage) {
    // Black everywhere, so only the 15 filler bits of each row are white.
    TsplPage page = Render(WorkedExampleSettings(), ThresholdSettings(),
                           GrayPage(401, 3, [](LONG, LONG) -> BYTE { return 0; }));
    ASSERT_EQ(page.stride, 52);
    for (int y = 0; y < 3; ++y) {
        std::string row = page.raster.substr(y * 52, 52);
        EXPECT_EQ(row.substr(0, 50), std::string(50, '\0'));
        EXPECT_EQ(static_cast<BYTE>(row[50]), 0x7F);  // pixel 400 black, then filler
        EXPECT_EQ(static_cast<BYTE>(row[51]), 0xFF);
    }
}

// ---- the watermark ----

class WatermarkTest : public PrepareTest {
  protected:
    void SetUp() override {
        PrepareTest::SetUp();
        m_dir = fs::temp_directory_path() /
                ("zd-watermark-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        fs::remove_all(m_dir);
        PrepareTest::TearDown();
    }

    // A 24-bit picture file whose pixel (x, y), y = 0 the top row as a viewer shows it, has
    // the gray level of `gray`. The file is bottom-up, so its first stored row is the bottom.
    std::u16string Picture(LONG w, LONG h, const GrayFn& gray) {
        CxImage picture;
        EXPECT_TRUE(picture.Create(static_cast<DWORD>(w), static_cast<DWORD>(h), 24));
        for (LONG y = 0; y < h; ++y) {
            for (LONG x = 0; x < w; ++x) {
                BYTE v = gray(x, y);
                picture.SetColor(x, h - 1 - y, RGBQUAD{v, v, v, 0});
            }
        }
        std::string path = (m_dir / ("w" + std::to_string(m_pictures++) + ".bmp")).string();
        std::u16string wide(path.begin(), path.end());
        EXPECT_TRUE(picture.SaveBmpFile(wide));
        return wide;
    }

    static WatermarkSettings Mark(const std::u16string& path) {
        WatermarkSettings w = WatermarkSettingsDefaults();
        w.bEnable = 1;
        std::copy(path.begin(), path.end(), w.szPath);
        w.szPath[path.size()] = u'\0';
        w.iAlpha = 255;
        w.crAlphaColor = 0x00FFFFFF;  // white is transparent
        w.iAlign = 0;
        w.iMarginX = w.iMarginY = 0;
        w.iSpacingX = w.iSpacingY = 0;
        return w;
    }

    TsplPage RenderWhitePage(const WatermarkSettings& w, LONG width = 400, LONG height = 240) {
        return Render(WorkedExampleSettings(), ThresholdSettings(),
                      GrayPage(width, height, [](LONG, LONG) -> BYTE { return 255; }), {}, w);
    }

    fs::path m_dir;
    int m_pictures = 0;
};

// A black stamp of w x h at each listed position, clipped to the page.
WhiteFn OutsideStamps(std::vector<std::pair<LONG, LONG>> at, LONG w, LONG h) {
    return [at, w, h](LONG x, LONG y) {
        for (auto [sx, sy] : at) {
            if (x >= sx && x < sx + w && y >= sy && y < sy + h)
                return false;
        }
        return true;
    };
}

TEST_F(WatermarkTest, AlignedStampAtTheWorkedExamplePosition) {
    WatermarkSettings w = Mark(Picture(100, 50, [](LONG, LONG) -> BYTE { return 0; }));
    w.iAlign = 9;  // bottom, centred
    w.iMarginX = 10;
    w.iMarginY = 20;
    EXPECT_EQ(Diff(RenderWhitePage(w).raster,
                   MonoRaster(400, 240, OutsideStamps({{150, 170}}, 100, 50)), 52),
              "");
}

TEST_F(WatermarkTest, TiledStampsCoverThePage) {
    WatermarkSettings w = Mark(Picture(100, 50, [](LONG x, LONG) -> BYTE {
        return x < 30 ? 0 : 255;  // a black bar on the left, the rest transparent white
    }));
    w.bTile = 1;
    std::vector<std::pair<LONG, LONG>> at;
    for (LONG y : {0, 50, 100, 150, 200}) {
        for (LONG x : {0, 100, 200, 300, 400})
            at.emplace_back(x, y);
    }
    EXPECT_EQ(Diff(RenderWhitePage(w).raster, MonoRaster(400, 240, OutsideStamps(at, 30, 50)), 52),
              "");
}

TEST_F(WatermarkTest, PictureIsUprightTransparentAndBlended) {
    // The top half of the picture (as a viewer shows it) is black, the bottom half white.
    std::u16string path = Picture(40, 20, [](LONG, LONG y) -> BYTE { return y < 10 ? 0 : 255; });
    WatermarkSettings w = Mark(path);
    w.iMarginX = 5;
    w.iMarginY = 7;
    EXPECT_EQ(Diff(RenderWhitePage(w, 64, 40).raster,
                   MonoRaster(64, 40, OutsideStamps({{5, 7}}, 40, 10)), 8),
              "");

    // Alpha 128 over white: black gives 127, above a threshold of 100, below one of 175.
    w.iAlpha = 128;
    EXPECT_EQ(Diff(RenderWhitePage(w, 64, 40).raster,
                   MonoRaster(64, 40, OutsideStamps({{5, 7}}, 40, 10)), 8),
              "");
    TsplPage light = Render(WorkedExampleSettings(), ThresholdSettings(100),
                            GrayPage(64, 40, [](LONG, LONG) -> BYTE { return 255; }), {}, w);
    EXPECT_EQ(Diff(light.raster, MonoRaster(64, 40, [](LONG, LONG) { return true; }), 8), "");

    // With no transparent colour matching, the white half covers a black page too.
    w.iAlpha = 255;
    w.crAlphaColor = 0x000000FE;
    TsplPage black = Render(WorkedExampleSettings(), ThresholdSettings(),
                            GrayPage(64, 40, [](LONG, LONG) -> BYTE { return 0; }), {}, w);
    EXPECT_EQ(Diff(black.raster,
                   MonoRaster(64, 40,
                              [](LONG x, LONG y) { return x >= 5 && x < 45 && y >= 17 && y < 27; }),
                   8),
              "");
}

TEST_F(WatermarkTest, RotatedPictureTurnsWithALandscapePage) {
    // A 100 x 50 black picture rotated by 90 degrees is 50 x 100; its first row is the
    // rotation's background, black as well, and not the transparent white.
    WatermarkSettings w = Mark(Picture(100, 50, [](LONG, LONG) -> BYTE { return 0; }));
    w.iRotateAngle = 90;
    w.iRotateDir = 0;
    TsplPage page =
        Render(WorkedExampleSettings(), ThresholdSettings(),
               GrayPage(400, 240, [](LONG, LONG) -> BYTE { return 255; }), {.landscape = true}, w);
    ASSERT_EQ(page.height, 400);
    // Stamped at the origin of the page before it turns clockwise.
    auto before = [](LONG x, LONG y) { return !(x < 50 && y < 100); };
    EXPECT_EQ(
        Diff(page.raster,
             MonoRaster(240, 400, [&](LONG x, LONG y) { return before(y, 240 - 1 - x); }), 32),
        "");
}

TEST_F(WatermarkTest, MissingOrUndecodableFileIsNoStamp) {
    std::ofstream(m_dir / "junk.bmp") << "BM not a bitmap";
    const std::string junk = (m_dir / "junk.bmp").string();
    for (const std::u16string& path :
         {std::u16string(u"/no/such/file.bmp"), std::u16string(junk.begin(), junk.end())}) {
        EXPECT_EQ(Diff(RenderWhitePage(Mark(path), 64, 8).raster,
                       MonoRaster(64, 8, [](LONG, LONG) { return true; }), 8),
                  "");
    }
}

TEST(WatermarkPlacement, AlignmentBitsAndTiling) {
    auto placements = [](DWORD pw, DWORD ph, DWORD w, DWORD h, const WatermarkSettings& wm) {
        std::vector<std::pair<LONG, LONG>> at;
        ForEachWatermarkPlacement(pw, ph, w, h, wm,
                                  [&at](LONG x, LONG y) { at.emplace_back(x, y); });
        return at;
    };
    using At = std::vector<std::pair<LONG, LONG>>;
    WatermarkSettings wm = WatermarkSettingsDefaults();
    wm.iMarginX = 10;
    wm.iMarginY = 20;
    const std::pair<int, std::pair<LONG, LONG>> aligned[] = {
        {0, {10, 20}}, {1, {150, 20}}, {2, {290, 20}},  {3, {290, 20}},
        {4, {10, 95}}, {8, {10, 170}}, {9, {150, 170}}, {12, {10, 170}},
    };
    for (auto [align, xy] : aligned) {
        wm.iAlign = align;
        EXPECT_EQ(placements(400, 240, 100, 50, wm), At{xy}) << align;
    }
    // Centring divides with truncation toward zero, also for a picture larger than the page.
    wm.iAlign = 5;
    EXPECT_EQ(placements(401, 241, 501, 301, wm), (At{{200 - 250, 120 - 150}}));

    wm.bTile = 1;
    wm.iSpacingX = 50;
    wm.iSpacingY = 190;
    EXPECT_EQ(placements(400, 240, 100, 50, wm),
              (At{{0, 0}, {150, 0}, {300, 0}, {0, 240}, {150, 240}, {300, 240}}));
    // A step of zero or below stops after one stamp in its direction instead of never ending.
    wm.iSpacingX = -100;
    wm.iSpacingY = -120;
    EXPECT_EQ(placements(400, 240, 100, 50, wm), (At{{0, 0}}));
}

// ---- turns and black and white that cannot allocate their result ----

// Fails the n-th image allocation of one size.
class SizedAllocFault {
  public:
    SizedAllocFault(std::size_t size, int nth) {
        s_size = size;
        s_left = nth;
        SetImageAllocator(&Allocate);
    }
    ~SizedAllocFault() { SetImageAllocator(nullptr); }

    // The size of the one block of a picture of this layout.
    static std::size_t BlockOf(DWORD w, DWORD h, DWORD bits) {
        s_size = 0;
        s_seen = 0;
        SetImageAllocator(&Allocate);
        CxImage probe;
        probe.Create(w, h, bits);
        SetImageAllocator(nullptr);
        return s_seen;
    }

  private:
    static void* Allocate(std::size_t bytes) {
        s_seen = bytes;
        if (s_size && bytes == s_size && --s_left == 0)
            return nullptr;
        return std::malloc(bytes);
    }
    static inline std::size_t s_size = 0, s_seen = 0;
    static inline int s_left = 0;
};

TEST_F(PrepareTest, ATurnThatCannotBeMadeIsSkippedAndThePageStillPrints) {
    const LONG w = 401, h = 240;
    auto old = [](LONG x, LONG y) { return Pattern(x, y) > 175; };
    struct Case {
        const char* name;
        int direction;
        bool landscape;
        std::size_t block;
        int nth;
    } cases[] = {
        {"landscape", 0, true, SizedAllocFault::BlockOf(h, w, 8), 1},
        {"direction 3", 3, false, SizedAllocFault::BlockOf(h, w, 1), 1},
        {"direction 2, first step", 2, false, SizedAllocFault::BlockOf(h, w, 1), 1},
        {"direction 2, second step", 2, false, SizedAllocFault::BlockOf(h, w, 1), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host::ClearTrace();
        TsplPage page;
        {
            SizedAllocFault fault(c.block, c.nth);
            page = Render(Direction(c.direction), ThresholdSettings(), GrayPage(w, h, Pattern),
                          {.landscape = c.landscape});
        }
        EXPECT_EQ(Diff(page.raster, MonoRaster(w, h, old), 52), "");
        EXPECT_TRUE(TraceStartsWith(c.landscape ? "landscape turn skipped: "
                                                : "print direction turn skipped: "));
    }
}

TEST_F(PrepareTest, APageThatCannotBeMadeBlackAndWhiteIsNotSent) {
    std::size_t mono = SizedAllocFault::BlockOf(400, 240, 1);
    for (int method : {0, 1}) {
        SCOPED_TRACE(method);
        host::ClearTrace();
        SizedAllocFault fault(mono, 1);
        TsplPage page =
            Render(WorkedExampleSettings(), {method, 175, 0, 0}, GrayPage(400, 240, Pattern));
        EXPECT_TRUE(page.raster.empty());
        EXPECT_TRUE(TraceHas("page dropped: no black and white page could be made"));
    }
}

}  // namespace
}  // namespace rendertest
