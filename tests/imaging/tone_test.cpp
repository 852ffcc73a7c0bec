#include <gtest/gtest.h>

#include "imaging/ximage.h"
#include "tests/imaging/alloc_fault.h"
#include "tests/imaging/test_image_util.h"

namespace {

// Level i after AdjustBrightnessContrast on an 8-bit gray ramp of all 256 levels.
BYTE Adjusted(LONG brightness, LONG contrast, BYTE level) {
    CxImage ramp;
    ramp.Create(256, 1, 8);
    ramp.FillGrayPalette();
    for (int i = 0; i < 256; ++i)
        ramp.RowPointer(0)[i] = static_cast<BYTE>(i);
    EXPECT_TRUE(ramp.AdjustBrightnessContrast(brightness, contrast));
    EXPECT_TRUE(ramp.IsGrayScale());
    return ramp.RowPointer(0)[level];
}

TEST(Tone, BrightnessContrastTable) {
    const struct {
        LONG brightness, contrast;
        BYTE level, expected;
    } cases[] = {
        {0, 100, 100, 72},  {0, 100, 200, 255},        {0, -100, 77, 128},
        {40, -100, 3, 168}, {-50, 0, 10, 0},           {-50, 0, 0, 0},
        {-50, 0, 255, 255}, {-50, 0, 100, 50},         {20, 0, 240, 255},
        {0, -50, 28, 78},   {0, 2147483647, 129, 255}, {-2147483647 - 1, 0, 200, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Adjusted(c.brightness, c.contrast, c.level), c.expected)
            << "brightness " << c.brightness << " contrast " << c.contrast << " level "
            << int(c.level);
    }
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(Adjusted(0, 0, static_cast<BYTE>(i)), i);
}

TEST(Tone, LookupKeepsBlackAndWhitePaletteEntries) {
    BYTE invert[256];
    for (int i = 0; i < 256; ++i)
        invert[i] = static_cast<BYTE>(255 - i);
    CxImage mono;
    ASSERT_TRUE(mono.Create(8, 1, 1));
    mono.FillGrayPalette();
    mono.RowPointer(0)[0] = 0xF0;
    ASSERT_TRUE(mono.ApplyLookup(invert));
    EXPECT_EQ(mono.Palette()[0].rgbRed, 0);
    EXPECT_EQ(mono.Palette()[1].rgbRed, 255);
    EXPECT_EQ(mono.RowPointer(0)[0], 0xF0);

    CxImage pal;
    ASSERT_TRUE(pal.Create(1, 1, 4));
    pal.Palette()[1] = RGBQUAD{10, 20, 30, 0};
    pal.Palette()[2] = RGBQUAD{255, 255, 0, 0};  // not white: changed
    ASSERT_TRUE(pal.ApplyLookup(invert));
    EXPECT_EQ(pal.Palette()[1].rgbBlue, 245);
    EXPECT_EQ(pal.Palette()[1].rgbRed, 225);
    EXPECT_EQ(pal.Palette()[2].rgbRed, 255);
    EXPECT_EQ(pal.Palette()[2].rgbBlue, 0);

    CxImage rgb;
    ASSERT_TRUE(rgb.Create(1, 1, 24));
    rgb.SetColor(0, 0, RGBQUAD{1, 2, 3, 0});
    ASSERT_TRUE(rgb.ApplyLookup(invert));
    EXPECT_EQ(rgb.GetColor(0, 0).rgbRed, 252);
    EXPECT_EQ(rgb.RowPointer(0)[3], 255);  // row filler byte too

    CxImage empty;
    EXPECT_FALSE(empty.ApplyLookup(invert));
    EXPECT_FALSE(empty.AdjustBrightnessContrast(0, 0));
}

TEST(Tone, GrayFromRgbUsesIntegerLuminanceAndCarriesAlphaAndTransparency) {
    CxImage img;
    ASSERT_TRUE(img.Create(4, 1, 24));
    img.SetColor(0, 0, RGBQUAD{0, 0, 255, 0});
    img.SetColor(1, 0, RGBQUAD{0, 255, 0, 0});
    img.SetColor(2, 0, RGBQUAD{255, 0, 0, 0});
    img.SetColor(3, 0, RGBQUAD{255, 255, 255, 0});
    ASSERT_TRUE(img.CreateAlpha());
    img.SetAlpha(2, 0, 7);
    img.SetTransIndex(0);
    img.SetTransColor(RGBQUAD{0, 255, 0, 0});
    img.SetResolution(203, 203);
    ASSERT_TRUE(img.ToGray());
    EXPECT_EQ(img.BitCount(), 8);
    EXPECT_TRUE(img.IsGrayScale());
    const BYTE* row = img.RowPointer(0);
    EXPECT_EQ(row[0], 76);
    EXPECT_EQ(row[1], 149);
    EXPECT_EQ(row[2], 29);
    EXPECT_EQ(row[3], 255);
    EXPECT_EQ(img.TransIndex(), 149);
    EXPECT_EQ(img.GetAlpha(2, 0), 7);
    EXPECT_EQ(img.XDpi(), 203);
}

TEST(Tone, GrayFromPaletteMapsEveryIndexThroughItsEntry) {
    CxImage img;
    ASSERT_TRUE(img.Create(3, 1, 4));
    img.Palette()[2] = RGBQUAD{0, 0, 255, 0};
    img.Palette()[9] = RGBQUAD{255, 255, 255, 0};
    img.SetIndex(0, 0, 2);
    img.SetIndex(1, 0, 9);
    img.SetTransIndex(2);
    ASSERT_TRUE(img.ToGray());
    EXPECT_EQ(img.BitCount(), 8);
    EXPECT_EQ((std::vector<BYTE>{img.RowPointer(0), img.RowPointer(0) + 3}),
              (std::vector<BYTE>{76, 255, 0}));
    EXPECT_EQ(img.TransIndex(), 76);

    CxImage pal8;
    ASSERT_TRUE(pal8.Create(2, 1, 8));
    pal8.Palette()[1] = RGBQUAD{0, 255, 0, 0};
    pal8.SetIndex(0, 0, 1);
    ASSERT_TRUE(pal8.ToGray());
    EXPECT_EQ(pal8.RowPointer(0)[0], 149);
    EXPECT_TRUE(pal8.IsGrayScale());
}

TEST(Tone, GrayConversionFailureLeavesThePicture) {
    CxImage img;
    ASSERT_TRUE(img.Create(2, 2, 24));
    img.SetColor(1, 1, RGBQUAD{9, 9, 9, 0});
    AllocFault fail(1);
    EXPECT_FALSE(img.ToGray());
    EXPECT_STREQ(img.LastError(), "CxImage::Create can't allocate memory");
    EXPECT_EQ(img.BitCount(), 24);
    EXPECT_EQ(img.GetColor(1, 1).rgbRed, 9);
    EXPECT_FALSE(CxImage().ToGray());
}

TEST(Tone, ThresholdLevels) {
    const struct {
        BYTE threshold;
        std::vector<BYTE> levels;
        std::string expected;
    } cases[] = {
        {128, {127, 128, 129, 255}, "0011"},
        {255, {0, 128, 254, 255}, "0000"},
        {0, {0, 1, 128, 255}, "0111"},
    };
    for (const auto& c : cases) {
        CxImage img = GrayImage({c.levels});
        img.SetResolution(300, 300);
        ASSERT_TRUE(img.ToMonoThreshold(c.threshold));
        EXPECT_EQ(img.BitCount(), 1);
        EXPECT_EQ(IndexRows(img)[0], c.expected) << "threshold " << int(c.threshold);
        EXPECT_EQ(img.Palette()[0].rgbRed, 0);
        EXPECT_EQ(img.Palette()[1].rgbGreen, 255);
        EXPECT_EQ(img.XDpi(), 96);  // the new picture carries the container's defaults
    }
}

TEST(Tone, ThresholdPacksWideRowsAndKeepsOneBitPictures) {
    std::vector<BYTE> levels(21, 0);
    levels[0] = levels[8] = levels[20] = 200;
    CxImage img = GrayImage({levels});
    ASSERT_TRUE(img.ToMonoThreshold(100));
    EXPECT_EQ(img.RowPointer(0)[0], 0x80);
    EXPECT_EQ(img.RowPointer(0)[1], 0x80);
    EXPECT_EQ(img.RowPointer(0)[2], 0x08);
    EXPECT_EQ(img.RowPointer(0)[3], 0x00);

    img.RowPointer(0)[0] = 0x5A;
    ASSERT_TRUE(img.ToMonoThreshold(0));
    EXPECT_EQ(img.RowPointer(0)[0], 0x5A);
    EXPECT_FALSE(CxImage().ToMonoThreshold(1));
}

TEST(Tone, ThresholdAllocationFailureKeepsTheGrayPicture) {
    CxImage img = FlatGray(5, 5, 200);
    AllocFault fail(1);
    EXPECT_FALSE(img.ToMonoThreshold(10));
    EXPECT_STREQ(img.LastError(), "CxImage::Create can't allocate memory");
    EXPECT_EQ(img.BitCount(), 8);
    EXPECT_EQ(img.RowPointer(4)[4], 200);
}

}  // namespace
