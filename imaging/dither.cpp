#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "imaging/dither_tables.h"
#include "imaging/image_alloc.h"
#include "imaging/pixel_ops.h"
#include "imaging/simd.h"
#include "imaging/ximage.h"

namespace {

using dither::ErrorKernel;
using std::int16_t;
using std::ptrdiff_t;

// ---- Ordered methods -------------------------------------------------------------------
//
// Each ordered rule reduces to "white when the level is above a threshold that depends on the
// position"; the thresholds are derived from each matrix by its own rule, so one row kernel
// serves all four methods.

static_assert([] {
    for (int i = 0; i < 16; ++i) {
        if (dither::GeneratedBayer(i) != dither::kBayer4[i / 4][i % 4])
            return false;
    }
    return true;
}());

struct ThresholdTile {
    int period;
    BYTE t[16][16];  // [y mod period][x mod period]
};

ThresholdTile OrderedThresholds(LONG method) {
    ThresholdTile tile{};
    switch (method) {
        case dither::kOrdered4x4:
            // (v * 16) div 255 > A holds exactly when v >= ceil(255 (A + 1) / 16); v = 255 is
            // white everywhere, which the largest A (15) gives too.
            tile.period = 4;
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    tile.t[y][x] =
                        static_cast<BYTE>((255 * (dither::kOrdered4[y][x] + 1) + 15) / 16 - 1);
                }
            }
            break;
        case dither::kBayer4x4:
            tile.period = 4;
            for (int i = 0; i < 16; ++i)
                tile.t[i / 4][i % 4] = dither::GeneratedBayer(i);
            break;
        case dither::kBayer8x8:
            // (v >> 2) > 0 and (v >> 2) >= C means v >= 4 max(C, 1).
            tile.period = 8;
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    tile.t[y][x] =
                        static_cast<BYTE>(4 * std::max<int>(dither::kBayer8[x][y], 1) - 1);
                }
            }
            break;
        default:
            tile.period = 16;
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x)
                    tile.t[y][x] = dither::kOrdered16[x][y];
            }
            break;
    }
    return tile;
}

void DitherOrdered(const CxImage& gray, CxImage& mono, const ThresholdTile& tile) {
    constexpr std::size_t kPiece = 4096;  // a multiple of every period
    BYTE thresholds[kPiece];
    const std::size_t width = gray.Width();
    const std::size_t span = std::min(kPiece, (width + 15) / 16 * 16);
    for (DWORD y = 0; y < gray.Height(); ++y) {
        const BYTE* pattern = tile.t[y % tile.period];
        std::memcpy(thresholds, pattern, tile.period);
        for (std::size_t filled = tile.period; filled < span; filled *= 2) {
            std::memcpy(thresholds + filled, thresholds, std::min(filled, span - filled));
        }
        const BYTE* src = gray.RowPointer(y);
        BYTE* dst = mono.RowPointer(y);
        for (std::size_t x = 0; x < width; x += kPiece) {
            pixel_ops::PackGreater(src + x, thresholds, std::min(kPiece, width - x), dst + x / 8);
        }
    }
}

// ---- Error diffusion --------------------------------------------------------------------
//
// The only serial dependency is along a row: a pixel's level needs the error of its left
// neighbour. Everything a row sends to the rows below is independent per target pixel once
// the row's levels are known, so it is done in vector passes. Two rows run at once, the lower
// one a chunk behind, which hides the latency of each row's chain without changing the order
// in which any pixel receives its updates (all of an upper row's updates before a lower one's,
// left to right within a row), and so without changing a single result.

constexpr ptrdiff_t kPad = 16;  // margin of every work row, more than any kernel reaches
constexpr int kOffset = 64;     // the tables take unclamped levels from -64 to 319
constexpr int kTableSize = 384;
constexpr ptrdiff_t kChunk = 64;  // a multiple of 16, so that chunks fill whole result bytes
constexpr int kRows = 6;          // rows in flight at once
constexpr int kMaxWeights = 8;
constexpr int kMaxDy = 3;
constexpr int kMaxTaps = 16;

inline int Clamp(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
inline int ErrorOf(int level) {
    return level <= 128 ? level : level - 255;
}
// Work rows hold level - 128 as a signed byte: adding a signed share with signed saturation
// is then exactly "add and clamp to 0 ... 255".
inline BYTE Biased(int level) {
    return static_cast<BYTE>(level ^ 0x80);
}
inline int Unbiased(BYTE b) {
    return static_cast<signed char>(b) + 128;
}

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

// A multiplier with floor(a * weight / divisor) = (a * multiplier) >> 16 for every error size
// a from 0 to 128 (0 when there is none), so one 16-bit high multiply makes the whole share.
unsigned FindMultiplier(int weight, int divisor) {
    const unsigned long long m =
        ((static_cast<unsigned long long>(weight) << 16) + divisor - 1) / divisor;
    if (m >= 65536)
        return 0;
    for (unsigned long long a = 0; a <= 128; ++a) {
        if (((a * m) >> 16) != a * weight / divisor)
            return 0;
    }
    return static_cast<unsigned>(m);
}

// One pixel of a row's serial chain: r is the pixel's level before clamping, s1 the clamped
// level of the next pixel before this pixel's share reaches it (for kernels that also reach
// two pixels ahead; the others read the next pixel directly). The tables that take a row byte
// as part of their index carry the +128 of the biased byte.
template <bool kPlus1, bool kPlus2>
struct ChainStep {
    const BYTE* biasedClamp;  // clamp(r) ^ 0x80
    const BYTE* clamp;        // clamp(r)
    const ptrdiff_t* plus1;   // share for the next pixel, +128 without kPlus2
    const ptrdiff_t* plus2;   // share for the pixel after it, +128
    void operator()(BYTE* row, ptrdiff_t x, ptrdiff_t& r, ptrdiff_t& s1) const {
        const ptrdiff_t cur = r;
        row[x] = biasedClamp[cur];
        if constexpr (kPlus2) {
            const ptrdiff_t s2 = clamp[static_cast<signed char>(row[x + 2]) + plus2[cur]];
            if constexpr (kPlus1) {
                r = s1 + plus1[cur];
            } else {
                r = s1;
            }
            s1 = s2;
        } else {
            r = static_cast<signed char>(row[x + 1]) + plus1[cur];
        }
    }
};

class Diffuser {
  public:
    Diffuser(const ErrorKernel& kernel, const CxImage& gray, CxImage& mono)
        : m_gray(gray), m_mono(mono), m_width(gray.Width()), m_height(gray.Height()) {
        Plan(kernel);
    }
    ~Diffuser() { std::free(m_memory); }
    Diffuser(const Diffuser&) = delete;
    Diffuser& operator=(const Diffuser&) = delete;

    bool Run() {
        if (!Allocate())
            return false;
        const bool p1 = m_plus1 != 0, p2 = m_plus2 != 0;
        if (p1 && p2) {
            RunRows<true, true>();
        } else if (p1) {
            RunRows<true, false>();
        } else {
            RunRows<false, true>();
        }
        return true;
    }

  private:
    struct Below {
        int dx, dy, weightIndex;
    };
    struct State {
        ptrdiff_t r, s1;
    };

    void Plan(const ErrorKernel& kernel) {
        m_divisor = kernel.divisor;
        for (int i = 0; i < kernel.count; ++i) {
            const dither::Tap& t = kernel.taps[i];
            if (t.dy == 0) {
                (t.dx == 1 ? m_plus1 : m_plus2) = t.weight;
                continue;
            }
            int k = 0;
            while (k < m_weightCount && m_weights[k] != t.weight)
                ++k;
            if (k == m_weightCount)
                m_weights[m_weightCount++] = t.weight;
            m_below[m_belowCount++] = Below{t.dx, t.dy, k};
            m_maxDy = std::max(m_maxDy, t.dy);
            m_reachLeft = std::max(m_reachLeft, -t.dx);
        }
        // A target receives the shares of its sources left to right: largest dx first.
        std::stable_sort(m_below, m_below + m_belowCount, [](const Below& a, const Below& b) {
            return a.dy != b.dy ? a.dy < b.dy : a.dx > b.dx;
        });
        const int rowBias = m_plus2 ? 0 : 128;
        for (int i = 0; i < kTableSize; ++i) {
            const int level = Clamp(i - kOffset);
            m_clampTable[i] = static_cast<BYTE>(level);
            m_biasedClampTable[i] = Biased(level);
            m_plus1Table[i] = ErrorOf(level) * m_plus1 / m_divisor + rowBias;
            m_plus2Table[i] = ErrorOf(level) * m_plus2 / m_divisor + 128;
        }
        m_vectorShares = pixel_ops::VectorKernels();
        for (int k = 0; k < m_weightCount; ++k) {
            m_multiplier[k] = FindMultiplier(m_weights[k], m_divisor);
            m_vectorShares = m_vectorShares && m_multiplier[k] != 0;
        }
    }

    bool Allocate() {
        m_rowLength = (m_width + 2 * kPad + 15) / 16 * 16;
        m_ringRows = m_maxDy + kRows;
        const std::size_t rows = static_cast<std::size_t>(m_ringRows + kRows * m_weightCount + 1);
        const std::size_t bytes = static_cast<std::size_t>(m_rowLength) * rows;
        // Some forty work rows: only an absurdly wide picture needs more than a page.
        if (bytes > CXIMAGE_MAX_MEMORY)
            return false;
        m_memory = static_cast<BYTE*>(ImageAlloc(bytes));
        if (!m_memory)
            return false;
        std::memset(m_memory, 0, bytes);
        m_idle = m_memory + static_cast<std::size_t>(m_rowLength) * (rows - 1) + kPad;
        for (int slot = 0; slot < kRows; ++slot) {
            for (int i = 0; i < m_belowCount; ++i) {
                const Below& b = m_below[i];
                m_taps[slot][b.dy - 1][m_tapCount[slot][b.dy - 1]++] =
                    Share(slot, b.weightIndex) - b.dx;
            }
        }
        return true;
    }

    BYTE* RingRow(ptrdiff_t y) {
        return m_memory + static_cast<std::size_t>(y % m_ringRows) * m_rowLength + kPad;
    }
    // Signed byte shares of one weight from the row in flight in a slot.
    signed char* Share(int slot, int k) {
        const int plane = m_ringRows + slot * m_weightCount + k;
        return reinterpret_cast<signed char*>(m_memory) +
               static_cast<std::size_t>(plane) * m_rowLength + kPad;
    }

    void LoadRow(ptrdiff_t y) {
        const BYTE* src = m_gray.RowPointer(static_cast<DWORD>(y));
        BYTE* dst = RingRow(y);
        ptrdiff_t x = 0;
#if ZD_HAVE_SSE2
        if (pixel_ops::VectorKernels()) {
            const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
            for (; x + 16 <= m_width; x += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_xor_si128(v, bias));
            }
        }
#endif
        for (; x < m_width; ++x)
            dst[x] = Biased(src[x]);
    }

    // For the pixels [x0, x1) of row y (x0 a multiple of 16), whose levels are final: their
    // result bits, and what each sends with each weight, (error x weight) / divisor.
    void Finish(int slot, ptrdiff_t y, const BYTE* levels, ptrdiff_t x0, ptrdiff_t x1) {
        BYTE* out = m_mono.RowPointer(static_cast<DWORD>(y));
        ptrdiff_t x = x0;
#if ZD_HAVE_SSE2
        if (m_vectorShares) {
            switch (m_weightCount) {
                case 3:
                    x = FinishVector<3>(slot, levels, out, x0, x1);
                    break;
                case 4:
                    x = FinishVector<4>(slot, levels, out, x0, x1);
                    break;
                case 5:
                    x = FinishVector<5>(slot, levels, out, x0, x1);
                    break;
                default:
                    break;
            }
        }
#endif
        for (; x < x1; ++x) {
            const int level = Unbiased(levels[x]);
            if (level > 128)
                out[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
            const int e = ErrorOf(level);
            for (int k = 0; k < m_weightCount; ++k) {
                Share(slot, k)[x] = static_cast<signed char>(e * m_weights[k] / m_divisor);
            }
        }
    }

#if ZD_HAVE_SSE2
    template <int N>
    ptrdiff_t FinishVector(int slot, const BYTE* levels, BYTE* out, ptrdiff_t x, ptrdiff_t x1) {
        __m128i multiplier[N];
        signed char* shares[N];
        for (int k = 0; k < N; ++k) {
            multiplier[k] = _mm_set1_epi16(static_cast<short>(m_multiplier[k]));
            shares[k] = Share(slot, k);
        }
        const __m128i zero = _mm_setzero_si128();
        const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
        for (; x + 16 <= x1; x += 16) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + x));
            // White (level > 128) is exactly where the error is negative.
            const __m128i white = _mm_cmpgt_epi8(b, zero);
            const int mask = _mm_movemask_epi8(white);
            out[x >> 3] = kReversed[mask & 0xFF];
            out[(x >> 3) + 1] = kReversed[(mask >> 8) & 0xFF];
            // Size of the error: the level, or 255 - level for white.
            const __m128i size = _mm_xor_si128(_mm_xor_si128(b, bias), white);
            const __m128i lo = _mm_unpacklo_epi8(size, zero), hi = _mm_unpackhi_epi8(size, zero);
            for (int k = 0; k < N; ++k) {
                const __m128i q = _mm_packus_epi16(_mm_mulhi_epu16(lo, multiplier[k]),
                                                   _mm_mulhi_epu16(hi, multiplier[k]));
                const __m128i share = _mm_sub_epi8(_mm_xor_si128(q, white), white);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(shares[k] + x), share);
            }
        }
        return x;
    }
#endif

    // Adds the shares of source row y to the targets [p0, p1) of the rows below it.
    void Spread(int slot, ptrdiff_t y, ptrdiff_t p0, ptrdiff_t p1) {
        for (int dy = 1; dy <= m_maxDy && y + dy < m_height; ++dy) {
            const signed char* const* taps = m_taps[slot][dy - 1];
            const int count = m_tapCount[slot][dy - 1];
            BYTE* target = RingRow(y + dy);
            ptrdiff_t p = p0;
#if ZD_HAVE_SSE2
            if (pixel_ops::VectorKernels()) {
                for (; p + 16 <= p1; p += 16) {
                    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target + p));
                    for (int t = 0; t < count; ++t) {
                        b = _mm_adds_epi8(
                            b, _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[t] + p)));
                    }
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + p), b);
                }
            }
#endif
            for (; p < p1; ++p) {
                int b = static_cast<signed char>(target[p]);
                for (int t = 0; t < count; ++t)
                    b = std::clamp(b + taps[t][p], -128, 127);
                target[p] = static_cast<BYTE>(static_cast<signed char>(b));
            }
        }
    }

    // Advances every row k by count[k] pixels, all rows in one loop so that their chains
    // overlap. A row with nothing to do runs on the idle row: any byte there is a valid level.
    template <class Step>
    void RunChains(const Step& step, const ptrdiff_t* from, const ptrdiff_t* count) {
        ptrdiff_t done[kRows] = {};
        for (;;) {
            ptrdiff_t m = 0;
            for (int k = 0; k < kRows; ++k) {
                const ptrdiff_t left = count[k] - done[k];
                if (left > 0 && (m == 0 || left < m))
                    m = left;
            }
            if (m == 0)
                return;
            BYTE* rows[kRows];
            ptrdiff_t r[kRows], s[kRows];
            for (int k = 0; k < kRows; ++k) {
                const bool active = count[k] - done[k] > 0;
                rows[k] = active ? m_rows[k] + from[k] + done[k] : m_idle;
                r[k] = active ? m_state[k].r : 0;
                s[k] = active ? m_state[k].s1 : 0;
            }
            for (ptrdiff_t i = 0; i < m; ++i) {
                for (int k = 0; k < kRows; ++k)
                    step(rows[k], i, r[k], s[k]);
            }
            for (int k = 0; k < kRows; ++k) {
                if (count[k] - done[k] <= 0)
                    continue;
                m_state[k] = State{r[k], s[k]};
                done[k] += m;
            }
        }
    }

    // kRows rows at a time. Progress per row: x1 = pixels whose level is final, x2 = targets
    // that have received the row's shares. A row may only read pixels that have all of the
    // row above's shares, and may only send to targets the row above has served.
    template <bool kPlus1, bool kPlus2>
    void RunRows() {
        const ChainStep<kPlus1, kPlus2> step{m_biasedClampTable + kOffset, m_clampTable + kOffset,
                                             m_plus1Table + kOffset, m_plus2Table + kOffset};
        const ptrdiff_t w = m_width;
        ptrdiff_t loaded = 0;
        for (ptrdiff_t y0 = 0; y0 < m_height; y0 += kRows) {
            const int rows = static_cast<int>(std::min<ptrdiff_t>(kRows, m_height - y0));
            for (const ptrdiff_t need = std::min<ptrdiff_t>(m_height, y0 + rows + m_maxDy);
                 loaded < need; ++loaded) {
                LoadRow(loaded);
            }
            ptrdiff_t x1[kRows], x2[kRows];
            for (int k = 0; k < kRows; ++k) {
                m_rows[k] = k < rows ? RingRow(y0 + k) : m_idle;
                x1[k] = x2[k] = k < rows ? 0 : w;
            }
            while (x2[rows - 1] < w) {
                ptrdiff_t count[kRows] = {};
                for (int k = 0; k < rows; ++k) {
                    if (x1[k] >= w)
                        continue;
                    const ptrdiff_t limit = k == 0 || x2[k - 1] >= w ? w : x2[k - 1] - 2;
                    ptrdiff_t end = std::min(limit, x1[k] + kChunk);
                    if (end < w)
                        end &= ~static_cast<ptrdiff_t>(15);
                    count[k] = std::max<ptrdiff_t>(0, end - x1[k]);
                    if (count[k] > 0 && x1[k] == 0) {
                        m_state[k] = State{Unbiased(m_rows[k][0]), Unbiased(m_rows[k][1])};
                    }
                }
                RunChains(step, x1, count);
                for (int k = 0; k < rows; ++k) {
                    if (count[k] > 0) {
                        Finish(k, y0 + k, m_rows[k], x1[k], x1[k] + count[k]);
                        x1[k] += count[k];
                    }
                    const ptrdiff_t reach = x1[k] >= w ? w : std::max(x2[k], x1[k] - m_reachLeft);
                    const ptrdiff_t next = k == 0 ? reach : std::min(x2[k - 1], reach);
                    if (next > x2[k]) {
                        Spread(k, y0 + k, x2[k], next);
                        x2[k] = next;
                    }
                }
            }
        }
    }

    const CxImage& m_gray;
    CxImage& m_mono;
    ptrdiff_t m_width, m_height;
    int m_divisor = 1;
    int m_plus1 = 0, m_plus2 = 0;
    int m_maxDy = 0, m_reachLeft = 0;
    int m_weights[kMaxWeights] = {};
    int m_weightCount = 0;
    unsigned m_multiplier[kMaxWeights] = {};
    bool m_vectorShares = false;
    Below m_below[kMaxTaps] = {};
    int m_belowCount = 0;
    BYTE m_clampTable[kTableSize] = {};
    BYTE m_biasedClampTable[kTableSize] = {};
    ptrdiff_t m_plus1Table[kTableSize] = {};
    ptrdiff_t m_plus2Table[kTableSize] = {};
    BYTE* m_memory = nullptr;
    ptrdiff_t m_rowLength = 0;
    int m_ringRows = 0;
    BYTE* m_idle = nullptr;
    BYTE* m_rows[kRows] = {};
    State m_state[kRows] = {};
    const signed char* m_taps[kRows][kMaxDy][kMaxTaps] = {};
    int m_tapCount[kRows][kMaxDy] = {};
};

}  // namespace

bool CxImage::ToMonoDither(LONG method) {
    if (!IsValid())
        return false;
    if (BitCount() == 1)
        return true;
    if (!ToGray())
        return false;
    CxImage mono;
    if (!mono.Create(Width(), Height(), 1, m_dwType)) {
        SetErrorText(mono.LastError());
        return false;
    }
    if (const ErrorKernel* kernel = dither::FindErrorKernel(method)) {
        Diffuser diffuser(*kernel, *this, mono);
        if (!diffuser.Run()) {
            SetErrorText("CxImage::ToMonoDither can't allocate memory");
            return false;
        }
    } else {
        DitherOrdered(*this, mono, OrderedThresholds(method));
    }
    RGBQUAD* pal = mono.Palette();
    pal[0] = RGBQUAD{0, 0, 0, 0};
    pal[1] = RGBQUAD{255, 255, 255, 0};
    mono.SetResolution(m_xDpi, m_yDpi);
    mono.m_nTransIndex = m_nTransIndex;
    mono.m_transColor = m_transColor;
    mono.m_nAlphaMax = m_nAlphaMax;
    mono.m_pAlpha = std::exchange(m_pAlpha, nullptr);
    TakeOver(mono);
    return true;
}
