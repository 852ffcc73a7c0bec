// Image operations on a 4 x 6 inch label at 600 dpi (2400 x 3600, 8 bits), each against a
// memcpy of the same page in the same run: read the figures as ratios to BM_PageMemcpy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/ximage.h"

namespace {

constexpr DWORD kWidth = 2400;
constexpr DWORD kHeight = 3600;

// A page with gradients in both directions and some texture, so every level occurs.
const CxImage& GrayPage() {
    static CxImage page = [] {
        CxImage img;
        img.Create(kWidth, kHeight, 8);
        img.FillGrayPalette();
        unsigned seed = 12345;
        for (DWORD y = 0; y < kHeight; ++y) {
            BYTE* row = img.RowPointer(y);
            for (DWORD x = 0; x < kWidth; ++x) {
                seed = seed * 1103515245u + 12345u;
                const int level = static_cast<int>((x * 255) / kWidth + (y * 64) / kHeight) +
                                  static_cast<int>((seed >> 16) % 32) - 16;
                row[x] = static_cast<BYTE>(level < 0 ? 0 : (level > 255 ? 255 : level));
            }
        }
        return img;
    }();
    return page;
}

void BM_PageMemcpy(benchmark::State& state) {
    const CxImage& page = GrayPage();
    std::vector<BYTE> copy(page.Header().biSizeImage);
    for (auto _ : state) {
        std::memcpy(copy.data(), page.Bits(), copy.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(copy.size()));
}
BENCHMARK(BM_PageMemcpy)->Unit(benchmark::kMillisecond);

// Operations that replace the picture run on a fresh copy each time; the copy is not timed.
template <class Op>
void OnFreshPage(benchmark::State& state, const CxImage& source, Op op) {
    CxImage work;
    for (auto _ : state) {
        state.PauseTiming();
        work.CopyFrom(source);
        state.ResumeTiming();
        if (!op(work))
            state.SkipWithError("operation failed");
        benchmark::DoNotOptimize(work.Bits());
    }
}

void BM_Dither(benchmark::State& state) {
    const LONG method = static_cast<LONG>(state.range(0));
    OnFreshPage(state, GrayPage(), [method](CxImage& img) { return img.ToMonoDither(method); });
}
// Error diffusion: Floyd-Steinberg, Burkes, Stucki, Jarvis-Judice-Ninke, Sierra,
// Stevenson-Arce; ordered: 4x4, Bayer 4x4, Bayer 8x8, 16x16.
BENCHMARK(BM_Dither)->ArgName("method")->DenseRange(0, 9)->Unit(benchmark::kMillisecond);

void BM_Threshold(benchmark::State& state) {
    OnFreshPage(state, GrayPage(), [](CxImage& img) { return img.ToMonoThreshold(128); });
}
BENCHMARK(BM_Threshold)->Unit(benchmark::kMillisecond);

const CxImage& MonoPage() {
    static CxImage page = [] {
        CxImage img;
        img.CopyFrom(GrayPage());
        img.ToMonoThreshold(128);
        return img;
    }();
    return page;
}

void BM_TurnQuarter(benchmark::State& state) {
    const CxImage& page = state.range(0) == 1 ? MonoPage() : GrayPage();
    CxImage turned;
    for (auto _ : state) {
        if (!const_cast<CxImage&>(page).TurnQuarter(&turned))
            state.SkipWithError("failed");
        benchmark::DoNotOptimize(turned.Bits());
    }
}
BENCHMARK(BM_TurnQuarter)->ArgName("bits")->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_RotateByAngle90(benchmark::State& state) {
    CxImage turned;
    for (auto _ : state) {
        if (!const_cast<CxImage&>(GrayPage()).RotateByAngle(90.0f, &turned)) {
            state.SkipWithError("failed");
        }
        benchmark::DoNotOptimize(turned.Bits());
    }
}
BENCHMARK(BM_RotateByAngle90)->Unit(benchmark::kMillisecond);

// A 600 x 300 colour watermark with a soft alpha ramp, stamped on the gray page.
void BM_OverlayWithAlpha(benchmark::State& state) {
    CxImage mark;
    mark.Create(600, 300, 24);
    mark.CreateAlpha();
    for (LONG y = 0; y < 300; ++y) {
        for (LONG x = 0; x < 600; ++x) {
            mark.SetColor(x, y, RGBQUAD{static_cast<BYTE>(x), static_cast<BYTE>(y), 90, 0});
            mark.SetAlpha(x, y, static_cast<BYTE>((x + y) % 256));
        }
    }
    OnFreshPage(state, GrayPage(), [&mark](CxImage& img) { return img.Overlay(mark, 900, 1600); });
}
BENCHMARK(BM_OverlayWithAlpha)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
