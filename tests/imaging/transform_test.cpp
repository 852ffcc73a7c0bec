#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "imaging/ximage.h"
#include "tests/imaging/alloc_fault.h"
#include "tests/imaging/test_image_util.h"

namespace {

// A picture of random pixels (and random filler bits) with a random alpha plane.
CxImage RandomImage(DWORD w, DWORD h, DWORD bits, std::mt19937& random, bool alpha = true) {
    CxImage img;
    img.Create(w, h, bits);
    for (DWORD i = 0; i < img.PaletteSize(); ++i) {
        img.Palette()[i] = RGBQUAD{static_cast<BYTE>(i * 7), static_cast<BYTE>(i * 13),
                                   static_cast<BYTE>(i * 31), 0};
    }
    for (DWORD i = 0; i < img.Header().biSizeImage; ++i)
        img.Bits()[i] = random() & 0xFF;
    if (alpha) {
        img.CreateAlpha();
        for (DWORD i = 0; i < w * h; ++i)
            img.AlphaPointer()[i] = random() & 0xFF;
    }
    return img;
}

bool SamePixel(const CxImage& a, LONG ax, LONG ay, const CxImage& b, LONG bx, LONG by) {
    const RGBQUAD p = a.GetColor(ax, ay, true), q = b.GetColor(bx, by, true);
    return a.GetIndex(ax, ay) == b.GetIndex(bx, by) && p.rgbRed == q.rgbRed &&
           p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue && p.rgbReserved == q.rgbReserved;
}

// Checks every pixel (index, colour and alpha) of out against in at the position map gives.
void ExpectMapped(const CxImage& in, const CxImage& out,
                  const std::function<std::pair<LONG, LONG>(LONG, LONG)>& from) {
    for (LONG y = 0; y < static_cast<LONG>(out.Height()); ++y) {
        for (LONG x = 0; x < static_cast<LONG>(out.Width()); ++x) {
            const auto [sx, sy] = from(x, y);
            ASSERT_TRUE(SamePixel(out, x, y, in, sx, sy))
                << "new (" << x << ", " << y << ") from (" << sx << ", " << sy << ")";
        }
    }
}

// Filler bits past the last pixel of every row are 0.
void ExpectCleanFiller(const CxImage& img) {
    const DWORD used = img.Width() * img.BitCount();
    for (DWORD y = 0; y < img.Height(); ++y) {
        for (DWORD bit = used; bit < img.Stride() * 8; ++bit) {
            ASSERT_EQ((img.RowPointer(y)[bit / 8] >> (7 - bit % 8)) & 1, 0)
                << "row " << y << " bit " << bit;
        }
    }
}

TEST(Transform, FlipsAndTurnsMatchTheirPixelFormulas) {
    std::mt19937 random(99);
    const std::pair<DWORD, DWORD> sizes[] = {{1, 1}, {5, 3}, {7, 9}, {8, 8}, {13, 70}, {130, 67}};
    for (DWORD bits : {1u, 4u, 8u, 24u}) {
        for (auto [w, h] : sizes) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << w << " x " << h);
            const CxImage in = RandomImage(w, h, bits, random);
            const LONG W = static_cast<LONG>(w), H = static_cast<LONG>(h);
            CxImage out;
            CxImage source;
            ASSERT_TRUE(source.CopyFrom(in));
            ASSERT_TRUE(source.FlipHorizontal(&out));
            ExpectMapped(in, out, [&](LONG x, LONG y) { return std::pair{W - 1 - x, y}; });
            ASSERT_TRUE(source.Turn180(&out));
            ExpectMapped(in, out, [&](LONG x, LONG y) { return std::pair{W - 1 - x, H - 1 - y}; });
            ASSERT_TRUE(source.TurnQuarter(&out));
            ASSERT_EQ(out.Width(), h);
            ASSERT_EQ(out.Height(), w);
            ExpectMapped(in, out, [&](LONG x, LONG y) { return std::pair{y, H - 1 - x}; });
            ExpectCleanFiller(out);
            // The source stays as it was when a destination is named.
            ExpectMapped(in, source, [](LONG x, LONG y) { return std::pair{x, y}; });
        }
    }
}

TEST(Transform, TurnsComposeToTheIdentity) {
    std::mt19937 random(5);
    for (DWORD bits : {1u, 8u, 24u}) {
        const CxImage in = RandomImage(37, 11, bits, random);
        CxImage img;
        ASSERT_TRUE(img.CopyFrom(in));
        ASSERT_TRUE(img.Turn180());
        ASSERT_TRUE(img.Turn180());
        ExpectMapped(in, img, [](LONG x, LONG y) { return std::pair{x, y}; });
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(img.TurnQuarter());
        ExpectMapped(in, img, [](LONG x, LONG y) { return std::pair{x, y}; });
    }
}

TEST(Transform, QuarterTurnOfThreeByTwo) {
    CxImage img = GrayImage({{'a', 'b', 'c'}, {'d', 'e', 'f'}});
    img.SetResolution(203, 300);
    ASSERT_TRUE(img.TurnQuarter());
    std::vector<std::string> rows;
    for (DWORD y = 0; y < img.Height(); ++y) {
        rows.emplace_back(reinterpret_cast<const char*>(img.RowPointer(y)), img.Width());
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"da", "eb", "fc"}));
    EXPECT_EQ(img.XDpi(), 300);
    EXPECT_EQ(img.YDpi(), 203);
}

TEST(Transform, NarrowOneBitTurnIgnoresFillerBits) {
    CxImage img;
    ASSERT_TRUE(img.Create(3, 2, 1));
    img.RowPointer(0)[0] = 0x9F;  // pixels 1 0 0, filler bits set
    img.RowPointer(1)[0] = 0x5F;  // pixels 0 1 0
    ASSERT_TRUE(img.TurnQuarter());
    EXPECT_EQ(IndexRows(img), (std::vector<std::string>{"01", "10", "00"}));
    ExpectCleanFiller(img);
}

TEST(Rotate, HalfTurnsAndFullTurn) {
    std::mt19937 random(3);
    const CxImage in = RandomImage(9, 6, 8, random);
    CxImage half;
    ASSERT_TRUE(half.CopyFrom(in));
    ASSERT_TRUE(half.Turn180());
    for (float angle : {180.0f, -180.0f, 540.0f}) {
        CxImage img;
        ASSERT_TRUE(img.CopyFrom(in));
        ASSERT_TRUE(img.RotateByAngle(angle));
        ExpectMapped(half, img, [](LONG x, LONG y) { return std::pair{x, y}; });
    }
    CxImage full;
    ASSERT_TRUE(full.CopyFrom(in));
    ASSERT_TRUE(full.RotateByAngle(360.0f));
    EXPECT_EQ(full.Width(), 9u);
    EXPECT_EQ(full.Height(), 6u);
    ExpectMapped(in, full, [](LONG x, LONG y) { return std::pair{x, y}; });
}

TEST(Rotate, QuarterAnglesLoseOneLineToTheBackground) {
    std::mt19937 random(11);
    const CxImage in = RandomImage(400, 240, 8, random);
    const LONG W = 400, H = 240;
    CxImage r90;
    ASSERT_TRUE(r90.CopyFrom(in));
    r90.SetTransIndex(7);  // the background value outside the old picture
    ASSERT_TRUE(r90.RotateByAngle(90.0f));
    ASSERT_EQ(r90.Width(), 240u);
    ASSERT_EQ(r90.Height(), 400u);
    for (LONG y = 0; y < W; ++y) {
        for (LONG x = 0; x < H; ++x) {
            ASSERT_EQ(r90.GetIndex(x, y), y == 0 ? 7 : in.GetIndex(W - y, x)) << x << "," << y;
            ASSERT_EQ(r90.GetAlpha(x, y), y == 0 ? 0 : in.GetAlpha(W - y, x));
        }
    }
    CxImage r270;
    ASSERT_TRUE(r270.CopyFrom(in));
    r270.SetTransIndex(7);
    ASSERT_TRUE(r270.RotateByAngle(270.0f));
    ASSERT_EQ(r270.Width(), 240u);
    ASSERT_EQ(r270.Height(), 400u);
    for (LONG y = 0; y < W; ++y) {
        for (LONG x = 0; x < H; ++x) {
            ASSERT_EQ(r270.GetIndex(x, y), x == 0 ? 7 : in.GetIndex(y, H - x)) << x << "," << y;
        }
    }
}

TEST(Rotate, GeneralAngleEnlargesTheBoxAndFillsCornersWithBackground) {
    CxImage img;
    ASSERT_TRUE(img.Create(20, 10, 24));
    for (LONG y = 0; y < 10; ++y) {
        for (LONG x = 0; x < 20; ++x)
            img.SetColor(x, y, RGBQUAD{200, 100, 50, 0});
    }
    img.SetTransIndex(0);
    img.SetTransColor(RGBQUAD{1, 2, 3, 0});
    ASSERT_TRUE(img.RotateByAngle(45.0f));
    // |20 cos 45| + |10 sin 45| = 21.2 wide, the same high.
    EXPECT_EQ(img.Width(), 21u);
    EXPECT_EQ(img.Height(), 21u);
    EXPECT_EQ(img.GetColor(0, 0).rgbRed, 3);  // a corner outside the turned picture
    EXPECT_EQ(img.GetColor(10, 10).rgbRed, 50);
    EXPECT_FALSE(CxImage().RotateByAngle(30.0f));
}

TEST(Overlay, AlphaBlendsAndWritesTheDestinationAlpha) {
    CxImage page;
    ASSERT_TRUE(page.Create(4, 2, 24));
    for (LONG x = 0; x < 4; ++x) {
        for (LONG y = 0; y < 2; ++y)
            page.SetColor(x, y, RGBQUAD{255, 255, 255, 0});
    }
    CxImage stamp;
    ASSERT_TRUE(stamp.Create(2, 2, 24));  // black
    ASSERT_TRUE(stamp.CreateAlpha());
    std::fill(stamp.AlphaPointer(), stamp.AlphaPointer() + 4, BYTE{128});
    stamp.SetAlpha(1, 1, 0);  // fully transparent: left alone
    ASSERT_TRUE(page.Overlay(stamp, 1, 0));
    ASSERT_TRUE(page.HasAlpha());
    EXPECT_EQ(page.GetColor(0, 0).rgbRed, 255);
    EXPECT_EQ(page.GetColor(1, 0).rgbRed, 127);
    EXPECT_EQ(page.GetColor(2, 0).rgbGreen, 127);
    EXPECT_EQ(page.GetColor(2, 1).rgbBlue, 255);
    EXPECT_EQ(page.GetAlpha(1, 0), 128);
    EXPECT_EQ(page.GetAlpha(2, 1), 255);
}

TEST(Overlay, NegativeOffsetsTransparencyAndPaletteDestinations) {
    CxImage page = FlatGray(12, 3, 200);
    CxImage stamp;
    ASSERT_TRUE(stamp.Create(20, 1, 8));
    stamp.FillGrayPalette();
    for (LONG x = 0; x < 20; ++x)
        stamp.SetIndex(x, 0, static_cast<BYTE>(x));
    stamp.SetTransIndex(12);
    ASSERT_TRUE(page.Overlay(stamp, -10, 1));
    EXPECT_EQ(page.GetIndex(0, 1), 10);  // the first 10 source columns are skipped
    EXPECT_EQ(page.GetIndex(1, 1), 11);
    EXPECT_EQ(page.GetIndex(2, 1), 200);  // transparent index 12
    EXPECT_EQ(page.GetIndex(9, 1), 19);
    EXPECT_EQ(page.GetIndex(10, 1), 200);
    EXPECT_EQ(page.GetIndex(0, 0), 200);

    CxImage colour;
    ASSERT_TRUE(colour.Create(1, 1, 24));
    colour.SetColor(0, 0, RGBQUAD{0, 0, 255, 0});  // red: nearest gray is 85
    ASSERT_TRUE(page.Overlay(colour, 3, 2));
    EXPECT_EQ(page.GetIndex(3, 2), 85);
    colour.SetTransIndex(0);
    colour.SetTransColor(RGBQUAD{0, 0, 255, 0});
    ASSERT_TRUE(page.Overlay(colour, 4, 2));
    EXPECT_EQ(page.GetIndex(4, 2), 200);
}

TEST(Scale, NearestPixelAndItsLimits) {
    std::vector<BYTE> levels(400);
    for (int i = 0; i < 400; ++i)
        levels[i] = static_cast<BYTE>(i % 251);
    CxImage img = GrayImage({levels, levels});
    ASSERT_TRUE(img.ScaleNearest(200, 1));
    ASSERT_EQ(img.Width(), 200u);
    ASSERT_EQ(img.Height(), 1u);
    for (LONG x = 0; x < 200; ++x)
        ASSERT_EQ(img.GetIndex(x, 0), (2 * x) % 251);
    EXPECT_TRUE(img.ScaleNearest(200, 1));
    EXPECT_FALSE(img.ScaleNearest(10, 0));
    EXPECT_EQ(img.Width(), 200u);
}

TEST(Transform, AllocationFailureKeepsTheSource) {
    const std::pair<const char*, std::function<bool(CxImage&)>> ops[] = {
        {"flip", [](CxImage& i) { return i.FlipHorizontal(); }},
        {"turn180", [](CxImage& i) { return i.Turn180(); }},
        {"quarter", [](CxImage& i) { return i.TurnQuarter(); }},
        {"rotate", [](CxImage& i) { return i.RotateByAngle(30.0f); }},
        {"scale", [](CxImage& i) { return i.ScaleNearest(3, 3); }},
    };
    for (const auto& [name, op] : ops) {
        for (int failAt : {1, 2}) {  // the pixels, then the alpha plane
            CxImage img = FlatGray(6, 4, 33);
            ASSERT_TRUE(img.CreateAlpha());
            AllocFault fail(failAt);
            EXPECT_FALSE(op(img)) << name;
            EXPECT_NE(std::string(img.LastError()).find("can't allocate memory"), std::string::npos)
                << name;
            EXPECT_EQ(img.Width(), 6u);
            EXPECT_EQ(img.RowPointer(3)[5], 33);
        }
    }
}

}  // namespace
