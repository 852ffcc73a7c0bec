// A stand-in for the universal printer driver: it loads a render plug-in through its class
// object, enables the driver and a device, feeds pages band by band and calls the hooks in
// the host's order, recording every byte the plug-in writes to the spool.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/oem_uni.h"

namespace host {

using GetClassObjectFn = HRESULT(STDMETHODCALLTYPE*)(REFCLSID clsid, REFIID iid, void** object);

// A page the host renders: its size, depth and rows (first row = top of the page).
struct SimPage {
    LONG width = 0;
    LONG height = 0;
    WORD bits = 8;  // 1, 8 or 24
    LONG dpi = 203;
    // Fills `count` rows from `first` into `out`, one row every `stride` bytes (padding zero).
    std::function<void(LONG first, LONG count, BYTE* out, DWORD stride)> rows;
};

struct SimOptions {
    LONG bandHeight = 64;
    // Bands whose rows are all white are flagged blank, as the host does for empty bands.
    bool flagBlankBands = false;
    bool landscape = false;
    ULONG gdiBitsPerPixel = 8;
    // The host's order ends a page with NextBand answering (-1, -1), then SendPage; these
    // leave either out so the later page triggers can be seen.
    bool reportLastBand = true;
    bool sendPage = true;
    // Native build: where the plug-in's diagnostics files go (empty: nowhere).
    std::string diagnosticsFolder = {};
};

// Where the spool bytes go: every DrvWriteSpoolBuf call is one chunk.
using SpoolSink = std::function<void(const BYTE* bytes, DWORD size)>;

class SimulatedHost {
  public:
    SimulatedHost(GetClassObjectFn getClassObject, SpoolSink sink);
    ~SimulatedHost();
    SimulatedHost(const SimulatedHost&) = delete;
    SimulatedHost& operator=(const SimulatedHost&) = delete;

    // Class object, plug-in object, identity checks, driver interface, EnableDriver.
    bool Load();
    // A device for this printer handle (the plug-in reads its settings through it).
    bool EnableDevice(HANDLE printer, const SimOptions& options);
    bool StartDoc(const std::u16string& name);
    // Bands (ImageProcessing, then NextBand), then SendPage.
    bool PrintPage(const SimPage& page);
    bool EndDoc();
    void DisableDevice();
    void Unload();

    IPrintOemUni2* Plugin() const { return m_plugin; }
    // The enabled device, for calls a test makes by hand (null when none is enabled).
    DEVOBJ* DeviceObject() const;
    const std::string& LastError() const { return m_error; }

    struct Device;

  private:
    friend struct Device;
    bool Fail(const std::string& what);

    GetClassObjectFn m_getClassObject;
    IPrintOemUni2* m_plugin = nullptr;
    IUnknown* m_driverInterface = nullptr;
    DRVENABLEDATA m_hooks{};
    std::unique_ptr<Device> m_device;
    std::string m_error;
    SpoolSink m_sink;
};

}  // namespace host
