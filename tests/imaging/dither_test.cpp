#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "imaging/dither_tables.h"
#include "imaging/pixel_ops.h"
#include "imaging/ximage.h"
#include "tests/imaging/alloc_fault.h"
#include "tests/imaging/test_image_util.h"

namespace {

using Levels = std::vector<std::vector<int>>;

// The methods as plainly written: one pixel at a time in scan order, every neighbour range
// tested and clamped on its own. The optimised kernels must agree with this bit for bit.
std::vector<std::string> ReferenceDither(Levels v, LONG method) {
    const int h = static_cast<int>(v.size()), w = static_cast<int>(v[0].size());
    std::vector<std::string> out(h, std::string(w, '0'));
    const dither::ErrorKernel* kernel = dither::FindErrorKernel(method);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int level = v[y][x];
            bool white = false;
            if (kernel) {
                white = level > 128;
                const int e = white ? level - 255 : level;
                for (int i = 0; i < kernel->count; ++i) {
                    const dither::Tap& t = kernel->taps[i];
                    const int nx = x + t.dx, ny = y + t.dy;
                    if (nx < 0 || nx >= w || ny >= h)
                        continue;
                    int& n = v[ny][nx];
                    n += e * t.weight / kernel->divisor;
                    n = n < 0 ? 0 : (n > 255 ? 255 : n);
                }
            } else if (method == dither::kOrdered4x4) {
                const int d = level * 16 / 255, m = d % 16, o = d / 16;
                white = (dither::kOrdered4[y % 4][x % 4] < m ? o + 1 : o) != 0;
            } else if (method == dither::kBayer4x4) {
                white = level > dither::kBayer4[y % 4][x % 4];
            } else if (method == dither::kBayer8x8) {
                const int u = level >> 2;
                white = u > 0 && u >= dither::kBayer8[x % 8][y % 8];
            } else {
                white = level > dither::kOrdered16[x % 16][y % 16];
            }
            out[y][x] = white ? '1' : '0';
        }
    }
    return out;
}

CxImage ImageOf(const Levels& v) {
    std::vector<std::vector<BYTE>> rows;
    for (const auto& r : v)
        rows.emplace_back(r.begin(), r.end());
    return GrayImage(rows);
}

std::vector<std::string> Dithered(const Levels& v, LONG method) {
    CxImage img = ImageOf(v);
    EXPECT_TRUE(img.ToMonoDither(method));
    EXPECT_EQ(img.BitCount(), 1);
    return IndexRows(img);
}

Levels Flat(int w, int h, int level) {
    return Levels(h, std::vector<int>(w, level));
}

int CountWhite(const std::vector<std::string>& rows) {
    int n = 0;
    for (const auto& r : rows)
        n += static_cast<int>(std::count(r.begin(), r.end(), '1'));
    return n;
}

class VectorKernelsOff {
  public:
    explicit VectorKernelsOff(bool off) : m_was(pixel_ops::VectorKernels()) {
        if (off)
            pixel_ops::UseVectorKernels(false);
    }
    ~VectorKernelsOff() { pixel_ops::UseVectorKernels(m_was); }

  private:
    bool m_was;
};

TEST(DitherTables, KernelsSpreadTheWholeErrorAndMatricesHoldEachValueOnce) {
    for (LONG m : {0, 2, 3, 4, 5, 6}) {
        const dither::ErrorKernel* k = dither::FindErrorKernel(m);
        int sum = 0;
        for (int i = 0; i < k->count; ++i)
            sum += k->taps[i].weight;
        EXPECT_EQ(sum, k->divisor) << "method " << m;
    }
    std::set<int> o4, b8, o16;
    for (int i = 0; i < 16; ++i)
        o4.insert(dither::kOrdered4[i / 4][i % 4]);
    for (int i = 0; i < 64; ++i)
        b8.insert(dither::kBayer8[i / 8][i % 8]);
    for (int i = 0; i < 256; ++i)
        o16.insert(dither::kOrdered16[i / 16][i % 16]);
    EXPECT_EQ(o4.size(), 16u);
    EXPECT_EQ(b8.size(), 64u);
    EXPECT_EQ(o16.size(), 256u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(dither::GeneratedBayer(i), dither::kBayer4[i / 4][i % 4]);
}

TEST(Dither, EveryMethodMatchesThePlainFormulationOnRandomPictures) {
    // Widths around the kernels' reach and past several work chunks, so first and last
    // columns, odd heights and chunk seams all occur.
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 9},   {7, 1},   {2, 3},  {3, 6},
                                         {5, 4}, {17, 11}, {300, 7}, {613, 5}};
    std::mt19937 random(1234);
    for (bool scalar : {false, true}) {
        VectorKernelsOff guard(scalar);
        for (auto [w, h] : sizes) {
            for (int kind = 0; kind < 2; ++kind) {
                Levels v(h, std::vector<int>(w));
                for (auto& row : v) {
                    for (int& level : row) {
                        // Uniform levels, and levels piled at the ends that clamp often.
                        level = kind == 0 ? static_cast<int>(random() % 256)
                                          : (random() % 2 ? 250 + random() % 6 : random() % 6);
                    }
                }
                for (LONG method = 0; method <= 9; ++method) {
                    ASSERT_EQ(Dithered(v, method), ReferenceDither(v, method))
                        << "method " << method << ", " << w << " x " << h << ", kind " << kind
                        << (scalar ? ", portable kernels" : "");
                }
            }
        }
    }
}

TEST(Dither, WhiteAndBlackPages) {
    for (LONG method = 0; method <= 9; ++method) {
        EXPECT_EQ(CountWhite(Dithered(Flat(40, 33, 0), method)), 0) << "method " << method;
        const int white = CountWhite(Dithered(Flat(32, 32, 255), method));
        // The 16x16 matrix holds 255 once per tile, and "level > 255" never holds there.
        EXPECT_EQ(white, method == dither::kOrdered16x16 ? 32 * 32 - 4 : 32 * 32)
            << "method " << method;
    }
    const auto page = Dithered(Flat(16, 16, 255), dither::kOrdered16x16);
    EXPECT_EQ(page[7][6], '0');  // M[6][7] = 255
}

TEST(Dither, ErrorDiffusionKeepsTheMeanLevel) {
    for (LONG method : {0, 2, 3, 4, 5, 6}) {
        for (int level : {16, 64, 100, 128, 160, 200, 240}) {
            const double mean = CountWhite(Dithered(Flat(96, 96, level), method)) / (96.0 * 96.0);
            EXPECT_NEAR(mean * 255.0, level, 8.0) << "method " << method << " level " << level;
        }
    }
}

TEST(Dither, FloydSteinbergRowOfMidGrayAndTruncatedNegativeShares) {
    // 128 stays black and sends 56 on: 184 is white with error -71, sending -31: 97 black.
    EXPECT_EQ(Dithered({{128, 128, 128}}, 0)[0], "010");
    // e = -1 sends -7 / 16 = 0 (not -1): the next 129 stays white.
    EXPECT_EQ(Dithered({{254, 129}}, 0)[0], "11");
}

TEST(Dither, OrderedLevelsAtTheirFirstSteps) {
    const struct {
        LONG method;
        int level, whitePerTile, tile;
    } cases[] = {
        {dither::kBayer8x8, 3, 0, 8},      {dither::kBayer8x8, 4, 2, 8},
        {dither::kOrdered16x16, 0, 0, 16}, {dither::kOrdered16x16, 1, 1, 16},
        {dither::kOrdered4x4, 255, 16, 4}, {dither::kOrdered4x4, 16, 1, 4},
        {dither::kOrdered4x4, 15, 0, 4},   {dither::kBayer4x4, 1, 1, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CountWhite(Dithered(Flat(c.tile, c.tile, c.level), c.method)), c.whitePerTile)
            << "method " << c.method << " level " << c.level;
    }
    EXPECT_EQ(Dithered(Flat(16, 16, 1), dither::kOrdered16x16)[8][8], '1');  // M[8][8] = 0
    EXPECT_EQ(Dithered(Flat(4, 4, 16), dither::kOrdered4x4)[0][0], '1');     // A[0][0] = 0
}

TEST(Dither, UnknownMethodsAreFloydSteinbergAndOneBitPassesUnchanged) {
    std::mt19937 random(7);
    Levels v(9, std::vector<int>(13));
    for (auto& row : v) {
        for (int& level : row)
            level = static_cast<int>(random() % 256);
    }
    const auto fs = Dithered(v, 0);
    EXPECT_EQ(Dithered(v, 10), fs);
    EXPECT_EQ(Dithered(v, -1), fs);

    CxImage mono;
    ASSERT_TRUE(mono.Create(9, 2, 1));
    mono.RowPointer(1)[0] = 0x5A;
    for (LONG method = 0; method <= 9; ++method) {
        ASSERT_TRUE(mono.ToMonoDither(method));
        EXPECT_EQ(mono.RowPointer(1)[0], 0x5A);
    }
    EXPECT_FALSE(CxImage().ToMonoDither(0));
}

TEST(Dither, ResultCarriesResolutionTransparencyAndAlpha) {
    CxImage img;
    ASSERT_TRUE(img.Create(3, 2, 24));
    img.SetColor(0, 0, RGBQUAD{255, 255, 255, 0});
    ASSERT_TRUE(img.CreateAlpha());
    img.SetAlpha(1, 1, 3);
    img.SetResolution(300, 600);
    img.SetTransIndex(0);
    ASSERT_TRUE(img.ToMonoDither(dither::kBayer8x8));
    EXPECT_EQ(img.BitCount(), 1);
    EXPECT_EQ(img.XDpi(), 300);
    EXPECT_EQ(img.YDpi(), 600);
    EXPECT_EQ(img.TransIndex(), 0);
    EXPECT_EQ(img.GetAlpha(1, 1), 3);
    EXPECT_EQ(img.GetIndex(0, 0), 1);
    EXPECT_EQ(img.Palette()[1].rgbBlue, 255);
    EXPECT_EQ(img.Palette()[0].rgbBlue, 0);
}

TEST(Dither, AllocationFailuresKeepTheGrayPicture) {
    for (int failAt : {1, 2}) {  // the result, then the diffusion's work rows
        CxImage img = FlatGray(20, 20, 90);
        AllocFault fail(failAt);
        EXPECT_FALSE(img.ToMonoDither(0));
        EXPECT_STREQ(img.LastError(), failAt == 1 ? "CxImage::Create can't allocate memory"
                                                  : "CxImage::ToMonoDither can't allocate memory");
        EXPECT_EQ(img.BitCount(), 8);
        EXPECT_EQ(img.RowPointer(19)[19], 90);
    }
}

}  // namespace
