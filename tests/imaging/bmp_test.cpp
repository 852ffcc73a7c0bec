#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "host/file_access.h"
#include "host/utf.h"
#include "imaging/ximage.h"
#include "tests/imaging/alloc_fault.h"
#include "tests/imaging/test_image_util.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;

std::u16string Utf16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void Put16(Bytes& b, DWORD v) {
    b.push_back(static_cast<BYTE>(v));
    b.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(Bytes& b, DWORD v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A bitmap file laid out field by field; the pixel offset points just past `extra` (masks,
// palette) unless given.
struct BmpFile {
    bool fileHeader = true;
    DWORD headerSize = 40;
    LONG width = 2, height = 2;
    WORD planes = 1, bits = 8;
    DWORD compression = BI_RGB, sizeImage = 0;
    LONG pelsPerMeter = 3780;
    DWORD clrUsed = 0;
    Bytes extra;
    Bytes pixels;
    long long offBits = -1;

    Bytes Encode() const {
        Bytes b;
        const DWORD info = headerSize == 12 ? 12 : headerSize;
        if (fileHeader) {
            const DWORD off = offBits >= 0 ? static_cast<DWORD>(offBits)
                                           : 14 + info + static_cast<DWORD>(extra.size());
            Put16(b, 0x4D42);
            Put32(b, 14 + info + static_cast<DWORD>(extra.size() + pixels.size()));
            Put32(b, 0);
            Put32(b, off);
        }
        Put32(b, headerSize);
        if (headerSize == 12) {
            Put16(b, static_cast<DWORD>(width));
            Put16(b, static_cast<DWORD>(height));
            Put16(b, planes);
            Put16(b, bits);
        } else {
            Put32(b, static_cast<DWORD>(width));
            Put32(b, static_cast<DWORD>(height));
            Put16(b, planes);
            Put16(b, bits);
            Put32(b, compression);
            Put32(b, sizeImage);
            Put32(b, static_cast<DWORD>(pelsPerMeter));
            Put32(b, static_cast<DWORD>(pelsPerMeter));
            Put32(b, clrUsed);
            Put32(b, 0);
            b.resize(b.size() + (headerSize > 40 ? headerSize - 40 : 0), 0);
        }
        b.insert(b.end(), extra.begin(), extra.end());
        b.insert(b.end(), pixels.begin(), pixels.end());
        return b;
    }
};

Bytes GrayPalette(int entries) {
    Bytes p;
    for (int i = 0; i < entries; ++i) {
        const BYTE g = static_cast<BYTE>(i * 255 / (entries - 1));
        p.insert(p.end(), {g, g, g, 0});
    }
    return p;
}

bool Decode(CxImage& img, const Bytes& b) {
    return img.DecodeBmp(b.data(), b.size());
}

struct Reference {
    DWORD width = 0, height = 0;
    Bytes rgba;  // top row first
};

Reference ReadReference(const fs::path& path) {
    const Bytes all = ReadAll(path);
    Reference r;
    std::size_t eol = 0;
    while (eol < all.size() && all[eol] != '\n')
        ++eol;
    std::istringstream(std::string(all.begin(), all.begin() + eol)) >> r.width >> r.height;
    r.rgba.assign(all.begin() + eol + 1, all.end());
    return r;
}

TEST(BmpCorpus, EveryFileDecodesAsTheToolDecodesIt) {
    const fs::path dir = fs::path(ZD_TEST_DATA) / "bmp";
    std::ifstream manifest(dir / "manifest.txt");
    ASSERT_TRUE(manifest) << "missing " << (dir / "manifest.txt");
    std::string name, ref, alphaRule;
    int bits[3];
    int files = 0;
    while (manifest >> name >> ref >> bits[0] >> bits[1] >> bits[2] >> alphaRule) {
        SCOPED_TRACE(name);
        ++files;
        CxImage img;
        ASSERT_TRUE(img.LoadBmpFile(Utf16((dir / name).string()))) << img.LastError();
        const Reference r = ReadReference(dir / ref);
        ASSERT_EQ(img.Width(), r.width);
        ASSERT_EQ(img.Height(), r.height);
        EXPECT_EQ(img.HasAlpha(), alphaRule != "none");
        // The container holds bottom-up file order: its row y is the viewer's row H - 1 - y.
        for (DWORD y = 0; y < r.height; ++y) {
            for (DWORD x = 0; x < r.width; ++x) {
                const BYTE* want = &r.rgba[4 * ((r.height - 1 - y) * r.width + x)];
                const RGBQUAD got = img.GetColor(static_cast<LONG>(x), static_cast<LONG>(y));
                const BYTE channels[3] = {got.rgbRed, got.rgbGreen, got.rgbBlue};
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(channels[c] >> (8 - bits[c]), want[c] >> (8 - bits[c]))
                        << "pixel " << x << "," << y << " channel " << c;
                }
                if (alphaRule == "alpha") {
                    ASSERT_EQ(got.rgbReserved, want[3]);
                } else if (alphaRule == "opaque") {
                    ASSERT_EQ(got.rgbReserved, 255);
                }
            }
        }
    }
    EXPECT_GE(files, 20);
}

struct BadCase {
    const char* name;
    Bytes bytes;
    const char* error;
};

std::vector<BadCase> BadFiles() {
    std::vector<BadCase> cases;
    auto add = [&](const char* name, const BmpFile& f, const char* error) {
        cases.push_back({name, f.Encode(), error});
    };
    cases.push_back({"empty", {}, "Not a BMP"});
    cases.push_back({"shorter than a file header", Bytes(13, 'B'), "Not a BMP"});
    BmpFile ok;
    ok.extra = GrayPalette(256);
    ok.pixels = Bytes(8, 1);
    {
        Bytes cut = ok.Encode();
        cut.resize(30);
        cases.push_back({"info header cut", cut, "Error reading BMP info"});
    }
    BmpFile f = ok;
    f.headerSize = 30;
    add("header size 30", f, "Error reading BMP info");
    f = ok;
    f.headerSize = 56;
    f.clrUsed = 256;
    add("unknown header size with a palette count", f, "Error reading BMP info");
    f = ok;
    f.bits = 2;
    add("2 bits", f, "BMP: unsupported bit count");
    f = ok;
    f.compression = BI_RLE4;
    add("run-length 4 on 8 bits", f, "compression type not supported");
    f = ok;
    f.compression = 4;
    add("JPEG compression", f, "compression type not supported");
    f = ok;
    f.extra.clear();
    f.bits = 24;
    f.compression = BI_RLE8;
    add("24 bits run-length", f, "unknown compression");
    f.bits = 32;
    f.compression = BI_RLE4;
    add("32 bits run-length", f, "unknown compression");
    f = ok;
    f.width = -2;
    add("negative width", f, "Error reading BMP info");
    f.width = 0;
    add("zero width", f, "CxImage::Create : width and height must be greater than zero");
    f = ok;
    f.width = f.height = 100000;
    f.compression = BI_RLE8;
    add("oversized", f, "CXIMAGE_MAX_MEMORY exceeded");
    f = ok;
    f.width = f.height = 16000;
    add("oversized pixels with no data", f, "BMP: truncated pixel data");
    f = ok;
    f.offBits = 5000;
    add("pixel offset beyond the file", f, "BMP: pixel offset beyond the end of the file");
    f = ok;
    f.extra.resize(100);
    f.pixels.clear();
    add("palette cut", f, "BMP: truncated palette");
    f = ok;
    f.clrUsed = 0xFFFFFFFF;
    f.fileHeader = false;
    add("lying palette count, no offset", f, "BMP: truncated palette");
    f = ok;
    f.pixels.resize(5);  // row 1 needs 2 bytes after the 4 of row 0
    add("pixels cut", f, "BMP: truncated pixel data");
    f = ok;
    f.bits = 16;
    f.compression = BI_BITFIELDS;
    f.extra = {0, 0x7C, 0, 0};  // one mask of three, then the file ends
    f.pixels.clear();
    f.offBits = 0;
    add("masks cut", f, "Error reading BMP info");
    f = ok;
    f.compression = BI_RLE8;
    f.pixels = {0, 5, 1, 2};  // an absolute run of five with two bytes
    add("run-length absolute run cut", f, "BMP: truncated pixel data");
    f.pixels = {2, 9, 0, 0};  // row 0 only, then the data ends
    add("run-length rows missing", f, "BMP: truncated pixel data");
    return cases;
}

TEST(BmpDecode, BadFilesFailWithTheirTextAndLeaveNoPicture) {
    for (const BadCase& c : BadFiles()) {
        CxImage img = FlatGray(3, 3, 9);
        EXPECT_FALSE(Decode(img, c.bytes)) << c.name;
        EXPECT_STREQ(img.LastError(), c.error) << c.name;
        EXPECT_FALSE(img.IsValid()) << c.name;
    }
}

TEST(BmpDecode, OddButReadableFiles) {
    BmpFile f;
    f.extra = GrayPalette(256);
    f.pixels = {10, 20, 0, 0, 30, 40};  // the last row lacks its two filler bytes
    f.pelsPerMeter = 23622;
    CxImage img;
    ASSERT_TRUE(Decode(img, f.Encode())) << img.LastError();
    EXPECT_EQ(img.RowPointer(1)[1], 40);
    EXPECT_EQ(img.XDpi(), 600);

    f.clrUsed = 0xFFFFFFFF;  // lying count; the pixel offset says where the pixels are
    ASSERT_TRUE(Decode(img, f.Encode())) << img.LastError();
    EXPECT_EQ(img.RowPointer(0)[0], 10);

    BmpFile longer = f;  // a header size this reader does not know, whose sizes agree
    longer.headerSize = 56;
    longer.clrUsed = 0;
    ASSERT_TRUE(Decode(img, longer.Encode())) << img.LastError();
    EXPECT_EQ(img.RowPointer(1)[0], 30);
}

TEST(BmpDecode, RunLengthRunsContinueAcrossRowsAndStopAtTheEnd) {
    BmpFile f;
    f.extra = GrayPalette(256);
    f.compression = BI_RLE8;
    // Five pixels of 7 fill row 0 with its filler (stride 4) and spill into row 1; a delta
    // far below the picture, then a run that lands nowhere; no end-of-bitmap mark.
    f.pixels = {5, 7, 0, 2, 0, 200, 3, 9, 0, 0};
    CxImage img;
    ASSERT_TRUE(Decode(img, f.Encode())) << img.LastError();
    EXPECT_EQ((Bytes{img.RowPointer(0), img.RowPointer(0) + 4}), (Bytes{7, 7, 7, 7}));
    EXPECT_EQ(img.RowPointer(1)[0], 7);
    EXPECT_EQ(img.RowPointer(1)[1], 0);

    f.bits = 4;
    f.extra = GrayPalette(16);
    f.compression = BI_RLE4;
    // Absolute 1 2 3, end of line, then a run of three alternating 15 and 0; the third pixel
    // of each goes to the row's filler.
    f.pixels = {0, 3, 0x12, 0x30, 0, 0, 3, 0xF0, 0, 1};
    ASSERT_TRUE(Decode(img, f.Encode())) << img.LastError();
    EXPECT_EQ(IndexRows(img), (std::vector<std::string>{"12", "f0"}));
    EXPECT_EQ(img.RowPointer(0)[1], 0x30);
    EXPECT_EQ(img.RowPointer(1)[1], 0xF0);
}

TEST(BmpDecode, MasksOfAHeaderlessBitFieldFileFollowTheInfoHeader) {
    BmpFile f;
    f.fileHeader = false;
    f.width = 1;
    f.height = 1;
    f.bits = 16;
    f.compression = BI_BITFIELDS;
    f.extra.clear();
    for (DWORD m : {0xF800u, 0x07E0u, 0x001Fu})
        Put32(f.extra, m);
    f.pixels = {0x1F, 0xF8, 0, 0};  // pure red and blue at full: 0xF81F
    CxImage img;
    ASSERT_TRUE(Decode(img, f.Encode())) << img.LastError();
    const RGBQUAD c = img.GetColor(0, 0);
    EXPECT_EQ(c.rgbRed, 0xF8);
    EXPECT_EQ(c.rgbGreen, 0);
    EXPECT_EQ(c.rgbBlue, 0xF8);

    // Masks no 16-bit pixel can use must not shift out of range.
    f.extra.clear();
    for (DWORD m : {0xFFFFFFFFu, 0u, 0x80000001u})
        Put32(f.extra, m);
    ASSERT_TRUE(Decode(img, f.Encode())) << img.LastError();
}

TEST(BmpDecode, StreamLevelFormats) {
    const BmpFile f{.extra = GrayPalette(256), .pixels = Bytes(8, 3)};
    const Bytes b = f.Encode();
    CxImage img;
    EXPECT_TRUE(img.Decode(b.data(), b.size(), CXIMAGE_FORMAT_UNKNOWN));
    EXPECT_TRUE(img.Decode(b.data(), b.size(), CXIMAGE_FORMAT_BMP));
    EXPECT_FALSE(img.Decode(b.data(), b.size(), 7));
    EXPECT_STREQ(img.LastError(), "Decode: Unknown or wrong format");
}

TEST(BmpEncode, RoundTripsEveryDepthAndAlphaAsThirtyTwoBits) {
    std::mt19937 random(21);
    for (DWORD bits : {1u, 4u, 8u, 24u}) {
        for (bool alpha : {false, true}) {
            CxImage img;
            ASSERT_TRUE(img.Create(11, 5, bits));
            for (DWORD i = 0; i < img.PaletteSize(); ++i) {
                img.Palette()[i] = RGBQUAD{static_cast<BYTE>(random()), static_cast<BYTE>(i), 7, 0};
            }
            for (DWORD y = 0; y < 5; ++y) {
                for (DWORD x = 0; x < img.Stride(); ++x)
                    img.RowPointer(y)[x] = random() & 0xFF;
            }
            if (alpha) {
                ASSERT_TRUE(img.CreateAlpha());
                for (int i = 0; i < 55; ++i)
                    img.AlphaPointer()[i] = static_cast<BYTE>(i + 1);
            }
            img.SetResolution(203, 300);
            Bytes file;
            ASSERT_TRUE(img.EncodeBmp(&file));
            const bool asAlpha = alpha && bits == 24;
            const DWORD offset = 54 + 4 * img.PaletteSize();
            EXPECT_EQ(file.size(), offset + (asAlpha ? 11 * 4 * 5 : img.Header().biSizeImage));
            EXPECT_EQ(file[10] | file[11] << 8, static_cast<int>(offset));
            EXPECT_EQ(file[28], asAlpha ? 32 : bits);
            CxImage back;
            ASSERT_TRUE(back.DecodeBmp(file.data(), file.size())) << back.LastError();
            EXPECT_EQ(back.BitCount(), bits);
            EXPECT_EQ(back.XDpi(), 203);
            EXPECT_EQ(back.YDpi(), 300);
            EXPECT_EQ(back.HasAlpha(), asAlpha);
            for (LONG y = 0; y < 5; ++y) {
                for (LONG x = 0; x < 11; ++x) {
                    const RGBQUAD a = img.GetColor(x, y, asAlpha), b = back.GetColor(x, y, asAlpha);
                    ASSERT_EQ(std::tie(a.rgbRed, a.rgbGreen, a.rgbBlue, a.rgbReserved),
                              std::tie(b.rgbRed, b.rgbGreen, b.rgbBlue, b.rgbReserved))
                        << bits << " bits at " << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpEncode, RefusesAnEmptyPictureOrAMissingStream) {
    Bytes out;
    CxImage empty;
    EXPECT_FALSE(empty.EncodeBmp(&out));
    EXPECT_STREQ(empty.LastError(), "null image!!!");
    CxImage img = FlatGray(1, 1, 0);
    EXPECT_FALSE(img.EncodeBmp(nullptr));
    EXPECT_STREQ(img.LastError(), "null file handler");
}

class BmpFiles : public testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("zd-bmp-" + std::to_string(std::random_device{}()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::u16string Path(const std::u16string& leaf) const {
        return Utf16(m_dir.string()) + u"/" + leaf;
    }
    fs::path m_dir;
};

TEST_F(BmpFiles, SavesAndLoadsThroughAWidePath) {
    CxImage img = GrayImage({{1, 2, 3}, {4, 5, 6}});
    const std::u16string path = Path(u"Wasserzeichen \u00fc\u65e5\u672c \U0001F5A8.bmp");
    ASSERT_TRUE(img.SaveBmpFile(path)) << img.LastError();
    EXPECT_TRUE(fs::exists(
        m_dir / fs::u8path(Utf16ToUtf8(u"Wasserzeichen \u00fc\u65e5\u672c \U0001F5A8.bmp"))));
    CxImage back;
    ASSERT_TRUE(back.LoadBmpFile(path)) << back.LastError();
    EXPECT_EQ(back.RowPointer(1)[2], 6);
}

TEST_F(BmpFiles, MissingFilesAndUnwritablePaths) {
    CxImage img = FlatGray(1, 1, 0);
    EXPECT_FALSE(img.LoadBmpFile(Path(u"none.bmp")));
    EXPECT_STREQ(img.LastError(), "LoadBmpFile : can't open file");
    EXPECT_FALSE(img.SaveBmpFile(Path(u"no/such/folder/x.bmp")));
    EXPECT_FALSE(CxImage().SaveBmpFile(Path(u"empty.bmp")));
    EXPECT_FALSE(fs::exists(m_dir / "empty.bmp"));  // nothing to write: no file made
}

TEST_F(BmpFiles, RenderPluginDecodesAFailedFileOnceMore) {
    CxImage img = FlatGray(4, 4, 50);
    ASSERT_TRUE(img.SaveBmpFile(Path(u"w.bmp")));
    {
        AllocFault fail(1, /*onlyOnce=*/true);  // the first decode's picture
        CxImage once;
        EXPECT_FALSE(once.LoadBmpFile(Path(u"w.bmp"), /*decodeTwice=*/false));
        EXPECT_STREQ(once.LastError(), "CxImage::Create can't allocate memory");
    }
    AllocFault fail(1, /*onlyOnce=*/true);
    CxImage twice;
    ASSERT_TRUE(twice.LoadBmpFile(Path(u"w.bmp")));
    EXPECT_EQ(twice.RowPointer(3)[3], 50);
}

TEST(BmpFuzzCases, FoundInputsStayHandled) {
    const fs::path dir = fs::path(ZD_TEST_DATA) / ".." / ".." / "fuzz" / "corpus" / "bmp";
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const Bytes b = ReadAll(entry.path());
        CxImage img;
        if (!Decode(img, b)) {
            EXPECT_STRNE(img.LastError(), "") << entry.path();
            EXPECT_FALSE(img.IsValid());
        }
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
