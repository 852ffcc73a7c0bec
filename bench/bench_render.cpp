// The whole render path, bands in and spool bytes out, against a memcpy of the same page.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "host/memory_spooler.h"
#include "host/sim_host.h"
#include "render/oem_uni2.h"
#include "settings/records.h"

namespace {

struct PageSize {
    LONG width, height, dpi;
};
const PageSize kPages[] = {{812, 1218, 203}, {1200, 1800, 300}, {2400, 3600, 600}};

std::vector<BYTE> GrayLabel(LONG width, LONG height) {
    std::vector<BYTE> pixels(static_cast<std::size_t>(width) * height);
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y) * width + x] =
                static_cast<BYTE>((x * 255 / width + (y / 40) * 37) % 256);
        }
    }
    return pixels;
}

void BM_MemcpyPage(benchmark::State& state) {
    const PageSize& p = kPages[state.range(0)];
    std::vector<BYTE> src = GrayLabel(p.width, p.height), dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(src.size()));
}

void BM_TsplThresholdPage(benchmark::State& state) {
    const PageSize& p = kPages[state.range(0)];
    std::vector<BYTE> pixels = GrayLabel(p.width, p.height);

    host::MemorySpooler spooler;
    host::SetCurrentSpooler(&spooler);
    spooler.AddDriverSimple(u"Bench Driver");
    spooler.CreatePrinter(u"Bench", u"Bench Driver", u"FILE:");
    spooler.SetPrintLanguage(u"Bench", u"tspl");
    HalftoneSettings halftone{0, 128, 0, 0};
    const auto* h = reinterpret_cast<const BYTE*>(&halftone);
    spooler.SetPrinterValue(u"Bench", u"PrinterDriverData", u"ZDDATA1", REG_BINARY,
                            std::vector<BYTE>(h, h + sizeof halftone));
    HANDLE printer = nullptr;
    spooler.OpenPrinterW(u"Bench", &printer, PRINTER_ACCESS_USE);

    std::size_t spooled = 0;
    host::SimulatedHost simHost(&DllGetClassObject,
                                [&spooled](const BYTE*, DWORD n) { spooled += n; });
    simHost.Load();
    simHost.EnableDevice(printer, {.bandHeight = 64});
    host::SimPage page;
    page.width = p.width;
    page.height = p.height;
    page.dpi = p.dpi;
    page.rows = [&](LONG first, LONG count, BYTE* out, DWORD stride) {
        for (LONG r = 0; r < count; ++r) {
            std::memcpy(out + static_cast<std::size_t>(r) * stride,
                        pixels.data() + static_cast<std::size_t>(first + r) * p.width, p.width);
        }
    };
    for (auto _ : state) {
        simHost.StartDoc(u"bench");
        simHost.PrintPage(page);
        simHost.EndDoc();
    }
    simHost.Unload();
    spooler.ClosePrinter(printer);
    host::SetCurrentSpooler(nullptr);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(pixels.size()));
    state.counters["spool_bytes"] = static_cast<double>(spooled) / state.iterations();
}

BENCHMARK(BM_MemcpyPage)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TsplThresholdPage)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
