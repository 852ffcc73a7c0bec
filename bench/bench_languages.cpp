// The whole render path in every language, bands in and spool bytes out, for a 4 x 6 inch
// 8-bit page, against a memcpy of the same page measured in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
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
const char16_t* const kLanguages[] = {u"tspl", u"escpos", u"cpcl", u"paperang"};

// A label-like page: gray ramps, flat bands and hard edges.
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

// One printer of a language and halftone method in an in-memory spooler, with the plug-in
// loaded in the simulated host and a device enabled.
class BenchPrinter {
  public:
    BenchPrinter(const char16_t* language, int grayMethod, const PageSize& p)
        : m_pixels(GrayLabel(p.width, p.height)) {
        host::SetCurrentSpooler(&m_spooler);
        m_spooler.AddDriverSimple(u"Bench Driver");
        m_spooler.CreatePrinter(u"Bench", u"Bench Driver", u"FILE:");
        m_spooler.SetPrintLanguage(u"Bench", language);
        DeviceSettings device = DeviceSettingsFallback();
        device.iPaperType = 1;
        device.bDebug = 0;
        HalftoneSettings halftone{grayMethod, 128, 0, 0};
        Store(kDeviceSettingsValue, device);
        Store(kHalftoneSettingsValue, halftone);
        m_spooler.OpenPrinterW(u"Bench", &m_printer, PRINTER_ACCESS_USE);
        m_host = std::make_unique<host::SimulatedHost>(
            &DllGetClassObject, [this](const BYTE*, DWORD n) { m_spooled += n; });
        m_host->Load();
        m_host->EnableDevice(m_printer, {.bandHeight = 64});
        m_page.width = p.width;
        m_page.height = p.height;
        m_page.dpi = p.dpi;
        m_page.rows = [this, w = p.width](LONG first, LONG count, BYTE* out, DWORD stride) {
            for (LONG r = 0; r < count; ++r) {
                std::memcpy(out + static_cast<std::size_t>(r) * stride,
                            m_pixels.data() + static_cast<std::size_t>(first + r) * w, w);
            }
        };
    }
    ~BenchPrinter() {
        m_host->Unload();
        m_spooler.ClosePrinter(m_printer);
        host::SetCurrentSpooler(nullptr);
    }

    void Document(int pages) {
        m_host->StartDoc(u"bench");
        for (int i = 0; i < pages; ++i)
            m_host->PrintPage(m_page);
        m_host->EndDoc();
    }
    std::size_t Spooled() const { return m_spooled; }
    std::size_t PageBytes() const { return m_pixels.size(); }

  private:
    template <class T>
    void Store(const char16_t* value, const T& record) {
        const auto* b = reinterpret_cast<const BYTE*>(&record);
        m_spooler.SetPrinterValue(u"Bench", kPrinterDriverDataKey, value, REG_BINARY,
                                  std::vector<BYTE>(b, b + sizeof record));
    }

    std::vector<BYTE> m_pixels;
    host::MemorySpooler m_spooler;
    HANDLE m_printer = nullptr;
    std::unique_ptr<host::SimulatedHost> m_host;
    host::SimPage m_page;
    std::size_t m_spooled = 0;
};

// Args: page (0 = 203 dpi, 1 = 300 dpi, 2 = 600 dpi).
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

// Args: page, language (tspl, escpos, cpcl, paperang), iGrayMethod (0 threshold, 1 F-S).
void BM_WholePage(benchmark::State& state) {
    const PageSize& p = kPages[state.range(0)];
    BenchPrinter printer(kLanguages[state.range(1)], static_cast<int>(state.range(2)), p);
    for (auto _ : state)
        printer.Document(1);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(printer.PageBytes()));
    state.counters["spool_bytes"] = static_cast<double>(printer.Spooled()) / state.iterations();
}

// A 100-page TSPL document at 203 dpi, threshold; pages per second as a rate.
void BM_TsplDocument100Pages(benchmark::State& state) {
    BenchPrinter printer(u"tspl", static_cast<int>(state.range(0)), kPages[0]);
    for (auto _ : state)
        printer.Document(100);
    state.counters["pages_per_second"] =
        benchmark::Counter(100.0 * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_MemcpyPage)->ArgName("page")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholePage)
    ->ArgNames({"page", "lang", "method"})
    ->ArgsProduct({{0, 2}, {0, 1, 2, 3}, {0, 1}})
    ->Args({1, 0, 0})  // TSPL threshold at 300 dpi
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TsplDocument100Pages)
    ->ArgName("method")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
