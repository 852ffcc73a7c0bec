// The paperang packets, byte for byte, through the whole plug-in surface, and the output
// buffer's ceiling.
#include "render/paperang_render.h"
#include "render_fixture.h"

namespace rendertest {
namespace {

const std::string kPageStart = Bytes({0x05, 0x19, 0x03, 0x00, 0x00});
const std::string kPageEnd = Bytes({0x05, 0x1A, 0x03, 0x00, 0x00});
const std::string kFeedToMark = Bytes({0x05, 0x21, 0x03, 0x04, 0x00, 0x64, 0x00, 0x00, 0x00});
const std::string kContinuousEnd = Bytes({0x05, 0x16, 0x03, 0x02, 0x00, 0x00, 0x00});

// Bit by bit, as the polynomial defines it, with the protocol's register start.
DWORD ReferenceCrc(const std::string& bytes) {
    DWORD c = 0x4F17C3B2;
    for (char ch : bytes) {
        c ^= static_cast<BYTE>(ch);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ ((c & 1) ? 0xEDB88320u : 0);
    }
    return ~c;
}

std::string Frame(const std::string& payload) {
    const DWORD n = static_cast<DWORD>(payload.size());
    const DWORD crc = ReferenceCrc(payload);
    return Bytes({0xA5, 0x01, static_cast<int>(n & 0xFF), static_cast<int>(n >> 8)}) + payload +
           Bytes({static_cast<int>(crc & 0xFF), static_cast<int>((crc >> 8) & 0xFF),
                  static_cast<int>((crc >> 16) & 0xFF), static_cast<int>(crc >> 24), 0x5A});
}

// 05 1B 03, payload bytes after offset 4, row, bytes after offset 8, 01, B, 00 00 00, B.
std::string RowHeader(int row, int stride) {
    const int c = 12 + stride, e = 8 + stride;
    return Bytes({0x05, 0x1B, 0x03, c & 0xFF, c >> 8, row & 0xFF, (row >> 8) & 0xFF, e & 0xFF,
                  e >> 8, 0x01, stride & 0xFF, stride >> 8, 0x00, 0x00, 0x00, stride & 0xFF,
                  stride >> 8});
}

std::string PaperangPage(const std::string& raster, int stride, int rows, const std::string& end) {
    std::string out = Frame(kPageStart);
    for (int r = 0; r < rows; ++r)
        out += Frame(RowHeader(r, stride) +
                     raster.substr(static_cast<std::size_t>(r) * stride, stride));
    out += Frame(kPageEnd);
    if (!end.empty())
        out += Frame(end);
    return out;
}

TEST(PaperangCrcTest, RegisterStartAndFinalComplement) {
    // Values of the same CRC computed elsewhere (a general CRC-32 routine seeded with the
    // complement of the register start).
    const std::pair<std::string, DWORD> cases[] = {
        {"", 0xB0E83C4D},
        {"123456789", 0x1CCE6041},
        {kPageStart, 0x783F2A60},
        {kPageEnd, 0x6A8A858E},
        {kContinuousEnd, 0xA4C0B2EF},
        {kFeedToMark, 0x50455291},
        {RowHeader(0, 52) + std::string(52, '\0'), 0xDC6AEADA},
    };
    for (const auto& [payload, crc] : cases) {
        EXPECT_EQ(PaperangCrc(reinterpret_cast<const BYTE*>(payload.data()), payload.size()), crc)
            << HexDump(payload);
        EXPECT_EQ(ReferenceCrc(payload), crc);
    }
    // Lengths around the eight-byte steps agree with the bit-wise definition.
    std::string bytes;
    for (int n = 0; n < 40; ++n) {
        EXPECT_EQ(PaperangCrc(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()),
                  ReferenceCrc(bytes));
        bytes += static_cast<char>(n * 37 + 11);
    }
}

DeviceSettings PaperangSettings(int paperType) {
    DeviceSettings s = WorkedExampleSettings();
    s.iPaperType = paperType;
    return s;
}

TEST_F(RenderTest, PaperangWorkedExampleIsOneWriteOf243Frames) {
    AddPrinter(u"P", u"paperang", PaperangSettings(0), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(400, 240, Pattern)});
    ASSERT_EQ(spool.chunks.size(), 1u);
    const std::string& out = spool.chunks[0];
    EXPECT_EQ(out.size(), 18764u);
    const std::string raster = Inverted(ThresholdRaster(400, 240, Pattern, 175));
    ExpectChunks(spool, {PaperangPage(raster, 52, 240, kContinuousEnd)});
    // The second frame carries row 0.
    EXPECT_EQ(out.substr(14 + 4, 17), Bytes({0x05, 0x1B, 0x03, 0x40, 0x00, 0x00, 0x00, 0x3C, 0x00,
                                             0x01, 0x34, 0x00, 0x00, 0x00, 0x00, 0x34, 0x00}));
}

TEST_F(RenderTest, PaperangEndOfPageByPaperType) {
    const std::pair<int, std::string> cases[] = {
        {0, kContinuousEnd}, {1, kFeedToMark}, {2, kFeedToMark}, {4, ""}};
    char16_t name = u'A';
    for (const auto& [paperType, end] : cases) {
        SCOPED_TRACE(paperType);
        const std::u16string printer(1, name++);
        AddPrinter(printer, u"paperang", PaperangSettings(paperType), ThresholdSettings());
        Spool spool = Print(printer, {GrayPage(100, 3, Pattern)});
        ExpectChunks(spool,
                     {PaperangPage(Inverted(ThresholdRaster(100, 3, Pattern, 175)), 16, 3, end)});
    }
}

TEST_F(RenderTest, PaperangWhitePageSendsZeroRows) {
    AddPrinter(u"P", u"paperang", PaperangSettings(0), ThresholdSettings());
    Spool spool = Print(u"P", {GrayPage(64, 2, [](LONG, LONG) -> BYTE { return 255; })});
    ExpectChunks(spool, {PaperangPage(std::string(16, '\0'), 8, 2, kContinuousEnd)});
}

// The writer on its own, with a device whose spool write records, and a page set by hand.
class PaperangProbe : public PaperangRender {
  public:
    explicit PaperangProbe(DWORD ceiling) : PaperangRender(ceiling) {
        m_procs.DrvWriteSpoolBuf = &Record;
        m_dev.pDrvProcs = &m_procs;
        m_pDevObj = &m_dev;
    }
    std::vector<std::string> Encode(const CxImage& page) {
        s_chunks.clear();
        m_image.CopyFrom(page);
        EncodePage();
        return s_chunks;
    }

  private:
    static DWORD APIENTRY Record(PDEVOBJ, PVOID bytes, DWORD size) {
        s_chunks.emplace_back(static_cast<const char*>(bytes), size);
        return size;
    }
    static inline std::vector<std::string> s_chunks;
    DEVOBJ m_dev{};
    DRVPROCS m_procs{};
};

TEST(PaperangCeiling, FramesBeforeTheCeilingAreWrittenNotLost) {
    CxImage page;
    ASSERT_TRUE(page.Create(60, 100, 1));
    for (DWORD y = 0; y < page.Height(); ++y) {
        for (DWORD b = 0; b < page.Stride(); ++b)
            page.RowPointer(y)[b] = static_cast<BYTE>(y * 31 + b * 7);
    }
    PaperangProbe unlimited(ByteBuffer::kCeiling);
    std::vector<std::string> whole = unlimited.Encode(page);
    ASSERT_EQ(whole.size(), 1u);
    ASSERT_EQ(whole[0].size(), 14 + 100 * (26 + 8) + 14 + 16u);

    for (DWORD ceiling : {1000u, 34u, 35u, 20u}) {
        SCOPED_TRACE(ceiling);
        PaperangProbe limited(ceiling);
        std::vector<std::string> parts = limited.Encode(page);
        std::string joined;
        for (const std::string& part : parts) {
            // Every write but a frame that alone passes the ceiling stays within it.
            EXPECT_TRUE(part.size() <= ceiling || part.size() == 34u) << part.size();
            joined += part;
        }
        EXPECT_GT(parts.size(), 1u);
        EXPECT_TRUE(joined == whole[0]) << "the stream differs from the one-write page";
    }
}

}  // namespace
}  // namespace rendertest
