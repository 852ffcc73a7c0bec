// A printer in an in-memory spooler, the render plug-in in the simulated host, and helpers
// that build expected spool streams from named command pieces.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "host/alloc.h"
#include "host/memory_spooler.h"
#include "host/sim_host.h"
#include "host/trace.h"
#include "imaging/ximage.h"
#include "render/oem_uni2.h"
#include "render/prepare_page.h"
#include "settings/records.h"

namespace rendertest {

inline constexpr char16_t kDriver[] = u"Zendor Test Driver";

// A fault on calls of one operation about one name (every name when empty).
inline host::Fault FaultOn(const char* operation, DWORD error, std::u16string name = {},
                           host::FaultStep step = host::FaultStep::Any) {
    host::Fault f;
    f.operation = operation;
    f.error = error;
    f.name = std::move(name);
    f.step = step;
    return f;
}

// Everything the host's spool write received, call by call.
struct Spool {
    std::vector<std::string> chunks;
    std::string Bytes() const {
        std::string all;
        for (const std::string& c : chunks)
            all += c;
        return all;
    }
};

inline std::string HexDump(const std::string& bytes, std::size_t limit = 256) {
    std::string out;
    char cell[4];
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        std::snprintf(cell, sizeof cell, "%02x ", static_cast<unsigned char>(bytes[i]));
        out += cell;
    }
    if (bytes.size() > limit)
        out += "... (" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

// Compares chunk by chunk; a difference is shown as a hex dump of both sides.
inline void ExpectChunks(const Spool& spool, const std::vector<std::string>& expected) {
    ASSERT_EQ(spool.chunks.size(), expected.size()) << "spool write calls differ";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(spool.chunks[i] == expected[i])
            << "write " << i << "\n  got:      " << HexDump(spool.chunks[i])
            << "\n  expected: " << HexDump(expected[i]);
    }
}

// Binary command pieces written as byte values.
inline std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// The raster of the languages in which 1 is black.
inline std::string Inverted(std::string raster) {
    for (char& c : raster)
        c = static_cast<char>(~c);
    return raster;
}

template <class T>
std::vector<BYTE> RecordBytes(const T& record) {
    const auto* p = reinterpret_cast<const BYTE*>(&record);
    return {p, p + sizeof record};
}

using GrayFn = std::function<BYTE(LONG x, LONG y)>;

// An 8-bit page whose pixel levels come from a function.
inline host::SimPage GrayPage(LONG width, LONG height, GrayFn gray, LONG dpi = 203) {
    host::SimPage page;
    page.width = width;
    page.height = height;
    page.bits = 8;
    page.dpi = dpi;
    page.rows = [gray, width](LONG first, LONG count, BYTE* out, DWORD stride) {
        for (LONG r = 0; r < count; ++r) {
            BYTE* row = out + static_cast<std::size_t>(r) * stride;
            for (LONG x = 0; x < width; ++x)
                row[x] = gray(x, first + r);
        }
    };
    return page;
}

// The raster a threshold gives: 1 (white) where the level is above it, filler bits 1.
inline std::string ThresholdRaster(LONG width, LONG height, const GrayFn& gray, int threshold) {
    const std::size_t stride = ((width + 31) / 32) * 4;
    std::string raster(stride * height, '\0');
    for (LONG y = 0; y < height; ++y) {
        for (std::size_t bit = 0; bit < stride * 8; ++bit) {
            LONG x = static_cast<LONG>(bit);
            bool white = x >= width || gray(x, y) > threshold;
            if (white)
                raster[y * stride + bit / 8] |= static_cast<char>(0x80 >> (bit % 8));
        }
    }
    return raster;
}

// The raster of one of the container's dithering methods (0 to 9), filler bits 1.
inline std::string DitheredRaster(LONG width, LONG height, const GrayFn& gray, int method) {
    CxImage page;
    page.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 8);
    page.FillGrayPalette();
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x)
            page.RowPointer(static_cast<DWORD>(y))[x] = gray(x, y);
    }
    page.ToMonoDither(method);
    SetRowFillerBits(page);
    return std::string(reinterpret_cast<const char*>(page.Bits()),
                       static_cast<std::size_t>(page.Stride()) * page.Height());
}

inline BYTE Pattern(LONG x, LONG y) {
    return static_cast<BYTE>((x * 7 + y * 13 + x * y) % 256);
}

inline DeviceSettings WorkedExampleSettings() {
    DeviceSettings s = DeviceSettingsFallback();
    s.iHeadType = 0;
    s.iPostAction = 0;
    s.iOffsetX = 0;
    s.iOffsetY = 0;
    s.iPaperType = 1;
    s.iGapHeight = 3;
    s.iGapOffset = 0;
    s.iFeed = 0;
    s.iDensity = 8;
    s.iSpeed = 4;
    s.bAutoDotted = 1;
    s.bPauseKey = 0;
    s.bWasteMark = 0;
    return s;
}

inline HalftoneSettings ThresholdSettings(int level = 175) {
    return HalftoneSettings{.iGrayMethod = 0, .iThreValue = level, .iLiangdu = 0, .iDuibidu = 0};
}

class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::SetCurrentSpooler(&m_spooler);
        host::ClearTrace();
        ASSERT_TRUE(m_spooler.AddDriverSimple(kDriver));
    }
    void TearDown() override {
        host::SetCurrentSpooler(nullptr);
        host::FailAllocations(0, 0);
        EXPECT_EQ(DllCanUnloadNow(), S_OK) << "a plug-in object outlived its test";
    }

    // A printer with a language; each record is stored only when given.
    void AddPrinter(const std::u16string& name, const std::optional<std::u16string>& language,
                    std::optional<DeviceSettings> device = {},
                    std::optional<HalftoneSettings> halftone = {},
                    std::optional<WatermarkSettings> watermark = {}) {
        ASSERT_TRUE(m_spooler.CreatePrinter(name, kDriver, u"FILE:"));
        if (language) {
            ASSERT_TRUE(m_spooler.SetPrintLanguage(name, *language));
        }
        if (device)
            SetValue(name, kDeviceSettingsValue, RecordBytes(*device));
        if (halftone)
            SetValue(name, kHalftoneSettingsValue, RecordBytes(*halftone));
        if (watermark)
            SetValue(name, kWatermarkSettingsValue, RecordBytes(*watermark));
    }
    void SetValue(const std::u16string& printer, const char16_t* value, std::vector<BYTE> bytes) {
        ASSERT_TRUE(
            m_spooler.SetPrinterValue(printer, kPrinterDriverDataKey, value, REG_BINARY, bytes));
    }

    // One document of these pages on one device of the printer.
    // One device of the printer in a loaded host; `body` drives it. Returns what was spooled.
    Spool WithDevice(const std::u16string& printer, const host::SimOptions& options,
                     const std::function<void(host::SimulatedHost&)>& body) {
        Spool spool;
        HANDLE handle = nullptr;
        EXPECT_TRUE(m_spooler.OpenPrinterW(printer.c_str(), &handle, PRINTER_ACCESS_USE));
        {
            host::SimulatedHost simHost(&DllGetClassObject, [&spool](const BYTE* b, DWORD n) {
                spool.chunks.emplace_back(reinterpret_cast<const char*>(b), n);
            });
            EXPECT_TRUE(simHost.Load()) << simHost.LastError();
            EXPECT_TRUE(simHost.EnableDevice(handle, options)) << simHost.LastError();
            body(simHost);
        }
        m_spooler.ClosePrinter(handle);
        return spool;
    }

    // Documents of these pages on one device of the printer.
    Spool Print(const std::u16string& printer, const std::vector<host::SimPage>& pages,
                host::SimOptions options = {}, int documents = 1) {
        return WithDevice(printer, options, [&](host::SimulatedHost& simHost) {
            for (int d = 0; d < documents; ++d) {
                simHost.StartDoc(u"test");
                for (const host::SimPage& page : pages)
                    simHost.PrintPage(page);
                simHost.EndDoc();
            }
        });
    }

    bool TraceHas(const std::string& line) const {
        for (const std::string& l : host::TraceLines()) {
            if (l == line)
                return true;
        }
        return false;
    }
    bool TraceStartsWith(const std::string& prefix) const {
        for (const std::string& l : host::TraceLines()) {
            if (l.rfind(prefix, 0) == 0)
                return true;
        }
        return false;
    }

    host::MemorySpooler m_spooler;
};

}  // namespace rendertest
