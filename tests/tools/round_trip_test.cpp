// The command reader against the writers: for random pages and settings in every language,
// the page read back from the plug-in's command stream is the prepared page it encoded.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/ximage.h"
#include "render/prepare_page.h"
#include "settings/records.h"
#include "tools/command_reader.h"
#include "tools/render_job.h"

namespace {

template <class T>
std::vector<std::uint8_t> RecordBytes(const T& record) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
    return {p, p + sizeof record};
}

struct Case {
    CommandLanguage language;
    const char16_t* name;
    RenderJob job;
    PageImage image;
    DeviceSettings device;
    HalftoneSettings halftone;
    WatermarkSettings watermark = WatermarkSettingsDefaults();
};

// The page prepared the way the plug-in prepares it, from the bands the host delivers.
bool PreparedPage(const Case& c, CxImage& page) {
    int bits = c.job.bits ? c.job.bits : c.image.channels == 1 ? 8 : 24;
    host::SimPage sim = PageFromImage(c.image, bits, c.job.dpi);
    const DWORD stride = ((c.image.width * bits + 31) / 32) * 4;
    std::vector<BYTE> rows(static_cast<std::size_t>(stride) * c.image.height);
    sim.rows(0, static_cast<LONG>(c.image.height), rows.data(), stride);
    if (!page.CreateFromRows(rows.data(), c.image.width, c.image.height, bits, stride))
        return false;
    if (bits < 24)
        page.FillGrayPalette();
    page.SetResolution(c.job.dpi, c.job.dpi);
    return PreparePageRaster(page, {c.device, c.halftone, c.watermark, c.job.landscape,
                                    static_cast<WORD>(bits)}) &&
           page.BitCount() == 1;
}

Case RandomCase(std::mt19937& rng, int index) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    static const std::pair<CommandLanguage, const char16_t*> languages[] = {
        {CommandLanguage::Tspl, u"tspl"},
        {CommandLanguage::EscPos, u"escpos"},
        {CommandLanguage::Cpcl, u"cpcl"},
        {CommandLanguage::Paperang, u"paperang"}};
    Case c;
    c.language = languages[index % 4].first;
    c.name = languages[index % 4].second;
    c.job.language = c.name;
    c.job.dpi = std::array{203, 300, 600}[pick(0, 2)];
    c.job.bandHeight = pick(1, 80);
    c.job.bits = std::array{0, 0, 1, 24}[pick(0, 3)];
    c.image.width = pick(1, 260);
    c.image.height = pick(1, 120);
    c.image.channels = pick(0, 2) ? 1 : 3;
    c.image.pixels.resize(static_cast<std::size_t>(c.image.width) * c.image.height *
                          c.image.channels);
    // Smooth areas with noise, so that every method has edges and flat parts to work on.
    int fx = pick(1, 9), fy = pick(1, 9), noise = pick(0, 80);
    for (std::size_t i = 0; i < c.image.pixels.size(); ++i) {
        std::size_t px = i / c.image.channels;
        int x = static_cast<int>(px % c.image.width), y = static_cast<int>(px / c.image.width);
        int v = (x * fx + y * fy + static_cast<int>(i % c.image.channels) * 50) % 256;
        c.image.pixels[i] = static_cast<std::uint8_t>(std::clamp(v + pick(-noise, noise), 0, 255));
    }
    c.device = DeviceSettingsFallback();
    c.device.iPaperType = pick(0, 3);
    c.device.iDensity = pick(-1, 9);
    c.device.iOffsetX = pick(-3, 5);
    c.device.iDirection = pick(0, 4);
    c.job.landscape = pick(0, 3) == 0;
    c.halftone.iGrayMethod = pick(-1, 12);
    c.halftone.iThreValue = pick(0, 300);
    c.halftone.iLiangdu = pick(-60, 60);
    c.halftone.iDuibidu = pick(-60, 60);
    c.job.zddata = RecordBytes(c.device);
    c.job.zddata1 = RecordBytes(c.halftone);
    return c;
}

TEST(RoundTrip, TheReaderReturnsThePreparedPageInEveryLanguage) {
    std::mt19937 rng(20240307);
    for (int i = 0; i < 48; ++i) {
        Case c = RandomCase(rng, i);
        SCOPED_TRACE(::testing::Message()
                     << "case " << i << ": "
                     << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name))
                     << " " << c.image.width << "x" << c.image.height << " ch " << c.image.channels
                     << " bits " << c.job.bits << " dpi " << c.job.dpi << " paper "
                     << c.device.iPaperType);
        CxImage expected;
        ASSERT_TRUE(PreparedPage(c, expected));

        std::vector<std::uint8_t> stream;
        std::string error;
        ASSERT_TRUE(RunRenderJob(
            c.job, c.image,
            [&stream](const BYTE* b, DWORD n) { stream.insert(stream.end(), b, b + n); }, error))
            << error;
        std::vector<PrintedPage> pages;
        ASSERT_TRUE(ReadCommandStream(c.language, stream.data(), stream.size(), pages, error))
            << error;
        ASSERT_EQ(pages.size(), 1u);
        const PrintedPage& got = pages[0];

        // ESC/POS leaves the last 16 rows of a label page unsent.
        const bool label = c.device.iPaperType == 1 || c.device.iPaperType == 2;
        DWORD rows = expected.Height();
        if (c.language == CommandLanguage::EscPos && label)
            rows = rows > 16 ? rows - 16 : 0;
        ASSERT_EQ(got.width, 8 * expected.Stride());
        ASSERT_EQ(got.height, rows);
        for (DWORD y = 0; y < rows; ++y) {
            const BYTE* want = expected.RowPointer(y);
            for (DWORD b = 0; b < expected.Stride(); ++b) {
                // The prepared page has 0 for black, the printed page a set bit.
                ASSERT_EQ(got.dots[y * got.bytesPerRow + b], static_cast<BYTE>(~want[b]))
                    << "row " << y << " byte " << b;
            }
        }
    }
}

TEST(CommandReader, RefusesDamagedStreams) {
    const std::pair<CommandLanguage, std::string> cases[] = {
        {CommandLanguage::Tspl, "CLS\r\nBITMAP 0,0,2,2,1,\x01\x02\x03"},
        {CommandLanguage::Tspl, "CLS\r\nFEED 3\r\n"},
        {CommandLanguage::Tspl, "BITMAP 0,0,1,1,1,\x00\r\nPRINT 1,1\r\n"},
        {CommandLanguage::EscPos, std::string("\x1D\x76\x30\x00\x02\x00\x02\x00\x01", 9)},
        {CommandLanguage::EscPos, std::string("\x1B\x21\x00", 3)},
        {CommandLanguage::Cpcl, "! 0 200 200 2 1\r\nCG 1 2 0 0\x01"},
        {CommandLanguage::Cpcl, "CG 1 1 0 0\x01PRINT\r\n"},
        // A frame whose CRC is wrong, and one without its end byte.
        {CommandLanguage::Paperang,
         std::string("\xA5\x01\x05\x00\x05\x19\x03\x00\x00\x00\x00\x00\x00\x5A", 14)},
        {CommandLanguage::Paperang,
         std::string("\xA5\x01\x05\x00\x05\x19\x03\x00\x00\x60\x2A\x3F\x78\x00", 14)},
    };
    for (const auto& [language, bytes] : cases) {
        std::vector<PrintedPage> pages;
        std::string error;
        EXPECT_FALSE(ReadCommandStream(language,
                                       reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       bytes.size(), pages, error))
            << bytes;
        EXPECT_FALSE(error.empty());
    }
}

TEST(CommandReader, CutAndDamagedStreamsAreReadSafely) {
    // Real streams of every language, cut at many lengths and with bytes changed: the reader
    // must stay within the stream (the sanitizer run checks) and never claim more pages.
    std::mt19937 rng(7);
    for (int i = 0; i < 4; ++i) {
        Case c = RandomCase(rng, i);
        c.device.iPaperType = 1;
        c.job.zddata = RecordBytes(c.device);
        c.job.pages = 2;
        std::vector<std::uint8_t> stream;
        std::string error;
        ASSERT_TRUE(RunRenderJob(
            c.job, c.image,
            [&stream](const BYTE* b, DWORD n) { stream.insert(stream.end(), b, b + n); }, error));
        for (std::size_t cut = 0; cut < stream.size(); cut += 1 + stream.size() / 300) {
            std::vector<PrintedPage> pages;
            ReadCommandStream(c.language, stream.data(), cut, pages, error);
            EXPECT_LE(pages.size(), 2u);
        }
        for (int n = 0; n < 200; ++n) {
            std::vector<std::uint8_t> damaged = stream;
            damaged[rng() % damaged.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
            std::vector<PrintedPage> pages;
            ReadCommandStream(c.language, damaged.data(), damaged.size(), pages, error);
        }
    }
}

TEST(CommandReader, CpclRasterStartingWithADigit) {
    // The raster follows the last header number directly; its first byte '7' is raster.
    const std::string stream = "! 0 200 200 1 1\r\nCG 1 1 0 07FORM\r\nPRINT\r\n";
    std::vector<PrintedPage> pages;
    std::string error;
    ASSERT_TRUE(ReadCommandStream(CommandLanguage::Cpcl,
                                  reinterpret_cast<const std::uint8_t*>(stream.data()),
                                  stream.size(), pages, error))
        << error;
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].dots[0], '7');
}

}  // namespace
