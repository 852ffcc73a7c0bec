// Kernels and matrices of the ten dithering methods, shaped like the tables they come from.
#pragma once

#include "host/win32_types.h"

namespace dither {

enum Method : LONG {
    kFloydSteinberg = 0,
    kOrdered4x4 = 1,
    kBurkes = 2,
    kStucki = 3,
    kJarvisJudiceNinke = 4,
    kSierra = 5,
    kStevensonArce = 6,
    kBayer4x4 = 7,
    kBayer8x8 = 8,
    kOrdered16x16 = 9,
};

struct Tap {
    int dx, dy, weight;
};

// Neighbours in update order: row by row, left to right.
struct ErrorKernel {
    const Tap* taps;
    int count;
    int divisor;
};

inline constexpr Tap kFloydSteinbergTaps[] = {
    {+1, 0, 7},  //
    {-1, 1, 3},
    {0, 1, 5},
    {+1, 1, 1},  //
};
inline constexpr Tap kBurkesTaps[] = {
    {+1, 0, 8}, {+2, 0, 4},                                     //
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {+1, 1, 4}, {+2, 1, 2},  //
};
inline constexpr Tap kStuckiTaps[] = {
    {+1, 0, 8}, {+2, 0, 4},                                     //
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {+1, 1, 4}, {+2, 1, 2},  //
    {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {+1, 2, 2}, {+2, 2, 1},  //
};
inline constexpr Tap kJarvisJudiceNinkeTaps[] = {
    {+1, 0, 7}, {+2, 0, 5},                                     //
    {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {+1, 1, 5}, {+2, 1, 3},  //
    {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {+1, 2, 3}, {+2, 2, 1},  //
};
inline constexpr Tap kSierraTaps[] = {
    {+1, 0, 5}, {+2, 0, 3},                                      //
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5},  {+1, 1, 4}, {+2, 1, 2},  //
    {-1, 2, 2}, {0, 2, 3},  {+1, 2, 2},                          //
};
inline constexpr Tap kStevensonArceTaps[] = {
    {+2, 0, 32},                                         //
    {-3, 1, 12}, {-1, 1, 26}, {+1, 1, 30}, {+3, 1, 16},  //
    {-2, 2, 12}, {0, 2, 26},  {+2, 2, 12},               //
    {-3, 3, 5},  {-1, 3, 12}, {+1, 3, 12}, {+3, 3, 5},   //
};

template <int N>
constexpr ErrorKernel MakeKernel(const Tap (&taps)[N], int divisor) {
    return ErrorKernel{taps, N, divisor};
}

// Null for the ordered methods.
inline const ErrorKernel* FindErrorKernel(LONG method) {
    static constexpr ErrorKernel kFs = MakeKernel(kFloydSteinbergTaps, 16);
    static constexpr ErrorKernel kBu = MakeKernel(kBurkesTaps, 32);
    static constexpr ErrorKernel kSt = MakeKernel(kStuckiTaps, 42);
    static constexpr ErrorKernel kJj = MakeKernel(kJarvisJudiceNinkeTaps, 48);
    static constexpr ErrorKernel kSi = MakeKernel(kSierraTaps, 32);
    static constexpr ErrorKernel kSa = MakeKernel(kStevensonArceTaps, 200);
    switch (method) {
        case kOrdered4x4:
        case kBayer4x4:
        case kBayer8x8:
        case kOrdered16x16:
            return nullptr;
        case kBurkes:
            return &kBu;
        case kStucki:
            return &kSt;
        case kJarvisJudiceNinke:
            return &kJj;
        case kSierra:
            return &kSi;
        case kStevensonArce:
            return &kSa;
        default:  // 0 and every unknown number
            return &kFs;
    }
}

// Ordered 4x4, indexed [y mod 4][x mod 4].
inline constexpr BYTE kOrdered4[4][4] = {
    {0, 8, 2, 10},
    {12, 4, 14, 6},
    {3, 11, 1, 9},
    {15, 7, 13, 5},
};

// Bayer 4x4 scaled by 16, indexed [y mod 4][x mod 4].
inline constexpr BYTE kBayer4[4][4] = {
    {0, 192, 48, 240},
    {128, 64, 176, 112},
    {32, 224, 16, 208},
    {160, 96, 144, 80},
};

// Entry i of the 256-entry Bayer table (bit-interleaving of i div 4 and i mod 4); its first
// 16 entries, row by row, are kBayer4.
constexpr BYTE GeneratedBayer(int i) {
    unsigned p = static_cast<unsigned>(i) / 4, q = static_cast<unsigned>(i) % 4, t = 0;
    for (int k = 0; k < 4; ++k) {
        t = (t << 2) | (((p ^ q) & 1) << 1) | (q & 1);
        p >>= 1;
        q >>= 1;
    }
    return static_cast<BYTE>(t & 0xFF);
}

// Bayer 8x8, indexed [x mod 8][y mod 8]: the first index is the column.
inline constexpr BYTE kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},     //
    {48, 16, 56, 24, 50, 18, 58, 26},  //
    {12, 44, 4, 36, 14, 46, 6, 38},    //
    {60, 28, 52, 20, 62, 30, 54, 22},  //
    {3, 35, 11, 43, 1, 33, 9, 41},     //
    {51, 19, 59, 27, 49, 17, 57, 25},  //
    {15, 47, 7, 39, 13, 45, 5, 37},    //
    {63, 31, 55, 23, 61, 29, 53, 21},  //
};

// The 16x16 ordered matrix, indexed [x mod 16][y mod 16]: the first index is the column.
inline constexpr BYTE kOrdered16[16][16] = {
    {1, 235, 59, 219, 15, 231, 55, 215, 2, 232, 56, 216, 12, 228, 52, 212},
    {129, 65, 187, 123, 143, 79, 183, 119, 130, 66, 184, 120, 140, 76, 180, 116},
    {33, 193, 17, 251, 47, 207, 31, 247, 34, 194, 18, 248, 44, 204, 28, 244},
    {161, 97, 145, 81, 175, 111, 159, 95, 162, 98, 146, 82, 172, 108, 156, 92},
    {9, 225, 49, 209, 5, 239, 63, 223, 10, 226, 50, 210, 6, 236, 60, 220},
    {137, 73, 177, 113, 133, 69, 191, 127, 138, 74, 178, 114, 134, 70, 188, 124},
    {41, 201, 25, 241, 37, 197, 21, 255, 42, 202, 26, 242, 38, 198, 22, 252},
    {169, 105, 153, 89, 165, 101, 149, 85, 170, 106, 154, 90, 166, 102, 150, 86},
    {3, 233, 57, 217, 13, 229, 53, 213, 0, 234, 58, 218, 14, 230, 54, 214},
    {131, 67, 185, 121, 141, 77, 181, 117, 128, 64, 186, 122, 142, 78, 182, 118},
    {35, 195, 19, 249, 45, 205, 29, 245, 32, 192, 16, 250, 46, 206, 30, 246},
    {163, 99, 147, 83, 173, 109, 157, 93, 160, 96, 144, 80, 174, 110, 158, 94},
    {11, 227, 51, 211, 7, 237, 61, 221, 8, 224, 48, 208, 4, 238, 62, 222},
    {139, 75, 179, 115, 135, 71, 189, 125, 136, 72, 176, 112, 132, 68, 190, 126},
    {43, 203, 27, 243, 39, 199, 23, 253, 40, 200, 24, 240, 36, 196, 20, 254},
    {171, 107, 155, 91, 167, 103, 151, 87, 168, 104, 152, 88, 164, 100, 148, 84},
};

}  // namespace dither
