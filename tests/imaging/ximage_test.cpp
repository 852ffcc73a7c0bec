#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "imaging/ximage.h"
#include "tests/imaging/alloc_fault.h"
#include "tests/imaging/test_image_util.h"

namespace {

struct LayoutCase {
    DWORD width, height, bits;
    WORD bitCount;
    DWORD entries, stride;
};

TEST(CxImageCreate, NormalisesDepthAndComputesLayout) {
    const LayoutCase cases[] = {
        {100, 50, 3, 4, 16, 52}, {401, 1, 1, 1, 2, 52}, {1, 1, 0, 1, 2, 4},    {3, 2, 2, 4, 16, 4},
        {5, 1, 6, 8, 256, 8},    {5, 1, 16, 24, 0, 16}, {5, 1, 32, 24, 0, 16},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        CxImage img;
        ASSERT_TRUE(img.Create(c.width, c.height, c.bits));
        EXPECT_EQ(img.BitCount(), c.bitCount);
        EXPECT_EQ(img.PaletteSize(), c.entries);
        EXPECT_EQ(img.Stride(), c.stride);
        EXPECT_EQ(img.Header().biSize, 40u);
        EXPECT_EQ(img.Header().biSizeImage, c.stride * c.height);
        EXPECT_EQ(img.Header().biClrUsed, c.entries);
        EXPECT_EQ(img.Bits(), img.RowPointer(0));
        EXPECT_EQ(img.RowPointer(c.height), nullptr);
    }
}

TEST(CxImageCreate, ClearsPaletteAndPixelsOfEveryBlock) {
    AllocFault garbage(0);  // every block starts filled with 0xA5
    CxImage img;
    ASSERT_TRUE(img.Create(33, 7, 4));
    const BYTE* block = reinterpret_cast<const BYTE*>(img.Palette());
    const std::size_t bytes = 16 * 4 + img.Header().biSizeImage;
    for (std::size_t i = 0; i < bytes; ++i)
        ASSERT_EQ(block[i], 0) << "byte " << i;
}

TEST(CxImageCreate, RefusesEmptyAndOversizedPictures) {
    CxImage img;
    EXPECT_FALSE(img.Create(0, 10, 8));
    EXPECT_STREQ(img.LastError(), "CxImage::Create : width and height must be greater than zero");
    EXPECT_FALSE(img.Create(10, 0, 8));
    EXPECT_FALSE(img.Create(20000, 20000, 8));
    EXPECT_STREQ(img.LastError(), "CXIMAGE_MAX_MEMORY exceeded");
    EXPECT_FALSE(img.Create(0x80000000u, 1, 1));  // area within the limit, width beyond LONG
    EXPECT_STREQ(img.LastError(), "CXIMAGE_MAX_MEMORY exceeded");
    EXPECT_FALSE(img.IsValid());
}

TEST(CxImageCreate, AcceptsExactlyTheLimitAndReportsAllocationFailure) {
    AllocFault fail(1);
    CxImage img;
    // 16384 x 16384 x 8 bits is the limit itself: it passes the check and reaches allocation.
    EXPECT_FALSE(img.Create(16384, 16384, 8));
    EXPECT_STREQ(img.LastError(), "CxImage::Create can't allocate memory");
    EXPECT_FALSE(img.IsValid());
}

TEST(CxImageCreate, FromRowsCopiesAtMostEitherStride) {
    const BYTE src[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    CxImage img;
    ASSERT_TRUE(img.CreateFromRows(src, 6, 2, 8, 6));  // image stride 8 > source stride 6
    EXPECT_EQ(std::memcmp(img.RowPointer(0), src, 6), 0);
    EXPECT_EQ(std::memcmp(img.RowPointer(1), src + 6, 6), 0);
    EXPECT_EQ(img.RowPointer(0)[6], 0);
    EXPECT_TRUE(img.IsGrayScale());

    ASSERT_TRUE(img.CreateFromRows(src, 2, 2, 8, 6));  // image stride 4 < source stride 6
    EXPECT_EQ(img.RowPointer(1)[0], 7);
    EXPECT_EQ(img.RowPointer(1)[3], 10);
}

TEST(CxImageCreate, FromRowsSplitsThirtyTwoBitsIntoColourAndAlpha) {
    const BYTE src[] = {10, 20, 30, 40, 50, 60, 70, 80};
    CxImage img;
    ASSERT_TRUE(img.CreateFromRows(src, 1, 2, 32, 4));
    EXPECT_EQ(img.BitCount(), 24);
    ASSERT_TRUE(img.HasAlpha());
    const RGBQUAD c = img.GetColor(0, 1);
    EXPECT_EQ(c.rgbBlue, 50);
    EXPECT_EQ(c.rgbGreen, 60);
    EXPECT_EQ(c.rgbRed, 70);
    EXPECT_EQ(c.rgbReserved, 80);
    EXPECT_EQ(img.GetAlpha(0, 0), 40);
}

TEST(CxImageCreate, FromRowsRefusesOtherDepthsAndNullSource) {
    const BYTE src[4] = {};
    CxImage img;
    EXPECT_FALSE(img.CreateFromRows(src, 1, 1, 16, 4));
    EXPECT_FALSE(img.CreateFromRows(nullptr, 1, 1, 8, 4));
    EXPECT_FALSE(img.IsValid());
}

TEST(CxImagePalette, GrayRampsForEachDepth) {
    const struct {
        DWORD bits, entry;
        BYTE level;
    } cases[] = {{1, 1, 255}, {4, 1, 17}, {4, 15, 255}, {8, 77, 77}, {8, 255, 255}};
    for (const auto& c : cases) {
        CxImage img;
        ASSERT_TRUE(img.Create(2, 2, c.bits));
        img.FillGrayPalette();
        const RGBQUAD e = img.Palette()[c.entry];
        EXPECT_EQ(e.rgbRed, c.level);
        EXPECT_EQ(e.rgbGreen, c.level);
        EXPECT_EQ(e.rgbBlue, c.level);
        EXPECT_EQ(img.Palette()[0].rgbRed, 0);
    }
}

TEST(CxImageResolution, ConvertsToPelsPerMeterAndDefaultsToNinetySix) {
    CxImage img;
    ASSERT_TRUE(img.Create(4, 4, 8));
    EXPECT_EQ(img.Header().biXPelsPerMeter, 3780);
    img.SetResolution(600, 0);
    EXPECT_EQ(img.XDpi(), 600);
    EXPECT_EQ(img.YDpi(), 96);
    EXPECT_EQ(img.Header().biXPelsPerMeter, 23622);
    EXPECT_EQ(img.Header().biYPelsPerMeter, 3780);
    BITMAPINFOHEADER stored;
    std::memcpy(&stored, reinterpret_cast<const BYTE*>(img.Palette()) - 40, 40);
    EXPECT_EQ(stored.biXPelsPerMeter, 23622);
}

TEST(CxImagePixels, SubBytePixelsStartAtTheMostSignificantBits) {
    CxImage one, four;
    ASSERT_TRUE(one.Create(10, 1, 1));
    ASSERT_TRUE(four.Create(3, 1, 4));
    one.SetIndex(0, 0, 1);
    one.SetIndex(9, 0, 3);  // masked to one bit
    four.SetIndex(0, 0, 0x1A);
    four.SetIndex(1, 0, 0x0B);
    EXPECT_EQ(one.RowPointer(0)[0], 0x80);
    EXPECT_EQ(one.RowPointer(0)[1], 0x40);
    EXPECT_EQ(four.RowPointer(0)[0], 0xAB);
    EXPECT_EQ(one.GetIndex(9, 0), 1);
    EXPECT_EQ(four.GetIndex(1, 0), 0x0B);
    one.SetIndex(0, 0, 0);
    EXPECT_EQ(one.RowPointer(0)[0], 0x00);
}

TEST(CxImagePixels, OutsideReadsGiveTheBackgroundAndWritesAreIgnored) {
    CxImage img;
    ASSERT_TRUE(img.Create(9, 2, 1));
    img.RowPointer(0)[0] = 0xC3;
    EXPECT_EQ(img.GetIndex(-1, 0), 0xC3);  // the whole first byte; callers keep the low bit
    EXPECT_EQ(img.GetIndex(9, 0), 0xC3);
    EXPECT_EQ(img.GetIndex(0, 2), 0xC3);
    img.SetTransIndex(1);
    EXPECT_EQ(img.GetIndex(0, -1), 1);
    img.SetIndex(-1, 0, 1);
    img.SetIndex(0, 2, 1);
    EXPECT_EQ(img.RowPointer(1)[0], 0);

    CxImage empty;
    EXPECT_EQ(empty.GetIndex(0, 0), 0);
    EXPECT_EQ(empty.RowPointer(0), nullptr);
}

TEST(CxImagePixels, OutsideColourFollowsTheTransparency) {
    CxImage pal;
    ASSERT_TRUE(pal.Create(2, 2, 8));
    pal.FillGrayPalette();
    pal.SetIndex(0, 0, 40);
    EXPECT_EQ(pal.GetColor(5, 5).rgbRed, 40);  // no transparent index: pixel (0, 0)
    pal.SetTransIndex(200);
    EXPECT_EQ(pal.GetColor(5, 5).rgbRed, 200);

    CxImage rgb;
    ASSERT_TRUE(rgb.Create(2, 2, 24));
    rgb.SetColor(0, 0, RGBQUAD{1, 2, 3, 0});
    EXPECT_EQ(rgb.GetColor(-1, 0).rgbRed, 3);
    rgb.SetTransIndex(0);
    rgb.SetTransColor(RGBQUAD{7, 8, 9, 0});
    const RGBQUAD c = rgb.GetColor(-1, 0);
    EXPECT_EQ(c.rgbBlue, 7);
    EXPECT_EQ(c.rgbRed, 9);
}

TEST(CxImagePixels, SetColorOnPaletteStoresTheNearestEntry) {
    CxImage img;
    ASSERT_TRUE(img.Create(2, 1, 4));
    img.FillGrayPalette();
    img.SetColor(1, 0, RGBQUAD{30, 30, 30, 0});  // 34 (entry 2) is nearer than 17
    EXPECT_EQ(img.GetIndex(1, 0), 2);
    img.SetColor(0, 0, RGBQUAD{0, 0, 0, 0});
    EXPECT_EQ(img.GetIndex(0, 0), 0);
}

TEST(CxImagePalette, NearestIndexTiesImportantColoursAndMemo) {
    CxImage img;
    ASSERT_TRUE(img.Create(1, 1, 4));
    RGBQUAD* pal = img.Palette();
    pal[3] = RGBQUAD{10, 10, 10, 0};
    pal[4] = RGBQUAD{30, 30, 30, 0};
    pal[5] = RGBQUAD{10, 10, 10, 0};
    EXPECT_EQ(img.NearestIndex(RGBQUAD{20, 20, 20, 0}), 3);  // tie: the first one
    EXPECT_EQ(img.NearestIndex(RGBQUAD{10, 10, 10, 0}), 3);
    img.SetImportantColors(3);
    EXPECT_EQ(img.NearestIndex(RGBQUAD{10, 10, 10, 0}), 0);  // entries 0..2 are black
    img.SetImportantColors(0);
    // A changed palette must not answer from the remembered colour.
    EXPECT_EQ(img.NearestIndex(RGBQUAD{30, 30, 30, 0}), 4);
    img.Palette()[4] = RGBQUAD{0, 0, 0, 0};
    EXPECT_EQ(img.NearestIndex(RGBQUAD{30, 30, 30, 0}), 3);
}

TEST(CxImageStorage, CopyFromIsDeepAndTakeOverEmptiesTheSource) {
    CxImage a = GrayImage({{1, 2, 3}, {4, 5, 6}});
    ASSERT_TRUE(a.CreateAlpha());
    a.SetAlpha(2, 1, 9);
    a.SetTransIndex(5);
    a.SetResolution(300, 203);

    CxImage b;
    ASSERT_TRUE(b.CopyFrom(a));
    a.RowPointer(1)[2] = 99;
    a.SetAlpha(2, 1, 1);
    EXPECT_EQ(b.RowPointer(1)[2], 6);
    EXPECT_EQ(b.GetAlpha(2, 1), 9);
    EXPECT_EQ(b.TransIndex(), 5);
    EXPECT_EQ(b.YDpi(), 203);

    CxImage c;
    c.TakeOver(b);
    EXPECT_FALSE(b.IsValid());
    EXPECT_FALSE(b.HasAlpha());
    EXPECT_EQ(b.TransIndex(), -1);
    EXPECT_EQ(c.RowPointer(1)[2], 6);
    EXPECT_EQ(c.XDpi(), 300);
}

TEST(CxImageStorage, FailedCopyKeepsTheTarget) {
    CxImage src = FlatGray(4, 4, 10);
    ASSERT_TRUE(src.CreateAlpha());
    CxImage dst = FlatGray(2, 2, 77);
    for (int failAt : {1, 2}) {  // the pixel block, then the alpha plane
        AllocFault fail(failAt);
        EXPECT_FALSE(dst.CopyFrom(src));
        EXPECT_EQ(dst.Width(), 2u);
        EXPECT_EQ(dst.RowPointer(1)[1], 77);
        EXPECT_FALSE(dst.HasAlpha());
    }
    AllocFault fail(1);
    EXPECT_FALSE(dst.CreateAlpha());
    EXPECT_STREQ(dst.LastError(), "CxImage::CreateAlpha can't allocate memory");
}

TEST(CxImageAlpha, CreateFillsOpaqueAndOutsideIsClear) {
    CxImage img = FlatGray(3, 2, 0);
    EXPECT_EQ(img.GetAlpha(0, 0), 255);  // no plane: opaque
    ASSERT_TRUE(img.CreateAlpha());
    EXPECT_EQ(img.AlphaPointer()[5], 255);
    EXPECT_EQ(img.GetAlpha(3, 0), 0);
    img.SetAlpha(1, 1, 0);
    EXPECT_TRUE(img.IsTransparent(1, 1));
    EXPECT_FALSE(img.IsTransparent(0, 1));
}

}  // namespace

namespace {

TEST(CxImagePalette, GrayRampNearestIndexAgreesWithTheFullSearch) {
    CxImage gray = FlatGray(1, 1, 0);
    std::mt19937 random(17);
    for (int i = 0; i < 3000; ++i) {
        const RGBQUAD c{static_cast<BYTE>(random()), static_cast<BYTE>(random()),
                        static_cast<BYTE>(random()), 0};
        int best = 0, bestDistance = 1 << 30;
        for (int g = 0; g < 256; ++g) {
            const int d = (g - c.rgbRed) * (g - c.rgbRed) + (g - c.rgbGreen) * (g - c.rgbGreen) +
                          (g - c.rgbBlue) * (g - c.rgbBlue);
            if (d < bestDistance) {
                bestDistance = d;
                best = g;
            }
        }
        ASSERT_EQ(gray.NearestIndex(c), best);
    }
}

}  // namespace
