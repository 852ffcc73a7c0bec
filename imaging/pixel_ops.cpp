#include "imaging/pixel_ops.h"

#include <array>

#include "imaging/simd.h"

namespace pixel_ops {
namespace {

bool g_vector = ZD_HAVE_SSE2 != 0;

constexpr std::array<BYTE, 256> ReversedBits() {
    std::array<BYTE, 256> table{};
    for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            r |= ((i >> b) & 1) << (7 - b);
        table[i] = static_cast<BYTE>(r);
    }
    return table;
}
constexpr std::array<BYTE, 256> kReversed = ReversedBits();

}  // namespace

void UseVectorKernels(bool on) {
    g_vector = on && ZD_HAVE_SSE2;
}
bool VectorKernels() {
    return g_vector;
}

void PackGreater(const BYTE* levels, const BYTE* thresholds, std::size_t n, BYTE* out) {
    std::size_t i = 0;
#if ZD_HAVE_SSE2
    if (g_vector) {
        // Unsigned compare as signed after moving both sides by 128; the mask holds pixel 0
        // in its lowest bit, the row wants it in the highest.
        const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
        for (; i + 16 <= n; i += 16) {
            const __m128i v =
                _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + i)), bias);
            const __m128i t = _mm_xor_si128(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(thresholds + i)), bias);
            const int mask = _mm_movemask_epi8(_mm_cmpgt_epi8(v, t));
            out[i / 8] = kReversed[mask & 0xFF];
            out[i / 8 + 1] = kReversed[(mask >> 8) & 0xFF];
        }
    }
#endif
    for (; i < n; i += 8) {
        const std::size_t count = n - i < 8 ? n - i : 8;
        unsigned bits = 0;
        for (std::size_t k = 0; k < count; ++k) {
            bits |= static_cast<unsigned>(levels[i + k] > thresholds[i + k]) << (7 - k);
        }
        out[i / 8] = static_cast<BYTE>(bits);
    }
}

void PackAbove(const BYTE* levels, BYTE level, std::size_t n, BYTE* out) {
    constexpr std::size_t kPiece = 1024;
    BYTE thresholds[kPiece];
    for (BYTE& t : thresholds)
        t = level;
    for (std::size_t i = 0; i < n; i += kPiece) {
        PackGreater(levels + i, thresholds, n - i < kPiece ? n - i : kPiece, out + i / 8);
    }
}

}  // namespace pixel_ops
