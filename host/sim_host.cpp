#include "host/sim_host.h"

#include <algorithm>
#include <cstring>

#include "host/diagnostics.h"
#include "host/gdi.h"

namespace host {

namespace {

constexpr DWORD kOemSignature = 0x4D534654;

// The host's helper interface: its spool write records the bytes like the service table's.
class DriverInterface : public IPrintOemDriverUni {
  public:
    explicit DriverInterface(SpoolSink* sink) : m_sink(sink) {}
    virtual ~DriverInterface() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualGUID(iid, kIidUnknown) || IsEqualGUID(iid, kIidPrintOemDriverUni)) {
            *object = static_cast<IPrintOemDriverUni*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_ref; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --m_ref;
        if (n == 0)
            delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD,
                                                  PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ, PVOID buffer, DWORD size,
                                               DWORD* written) override {
        if (size && *m_sink)
            (*m_sink)(static_cast<const BYTE*>(buffer), size);
        if (written)
            *written = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DrvXMoveTo(PDEVOBJ, INT, DWORD, INT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvYMoveTo(PDEVOBJ, INT, DWORD, INT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvGetStandardVariable(PDEVOBJ, DWORD, PVOID, DWORD,
                                                     PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvGetGPDData(PDEVOBJ, DWORD, PVOID, PVOID, DWORD, PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUniTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                            BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvWriteAbortBuf(PDEVOBJ, PVOID, DWORD, DWORD) override {
        return E_NOTIMPL;
    }

  private:
    SpoolSink* m_sink;
    ULONG m_ref = 1;
};

template <class Fn>
Fn FindHook(const DRVENABLEDATA& hooks, ULONG index) {
    for (ULONG i = 0; i < hooks.c; ++i) {
        if (hooks.pdrvfn[i].iFunc == index)
            return FunctionCast<Fn>(hooks.pdrvfn[i].pfn);
    }
    return nullptr;
}

}  // namespace

// The device object comes first, so the host's own handlers find the device from it.
struct SimulatedHost::Device {
    DEVOBJ dev{};
    DRVPROCS procs{};
    DEVMODEW publicDm{};
    BYTE privateDm[16]{};
    SURFOBJ surface{};
    SimOptions options;
    SimulatedHost* owner = nullptr;
    POINTL nextBand{-1, -1};  // what the host's DrvNextBand answers next
    HPALETTE palette = nullptr;

    static Device* From(SURFOBJ* surface) { return reinterpret_cast<Device*>(surface->dhpdev); }
    static Device* From(PDEVOBJ dev) { return reinterpret_cast<Device*>(dev); }

    static DWORD APIENTRY WriteSpoolBuf(PDEVOBJ dev, PVOID buffer, DWORD size) {
        // A zero-length write is a call too, and is recorded as one.
        SpoolSink& sink = From(dev)->owner->m_sink;
        if (sink)
            sink(static_cast<const BYTE*>(buffer), size);
        return size;
    }
    static BOOL APIENTRY StartDoc(SURFOBJ*, LPWSTR, DWORD) { return TRUE; }
    static BOOL APIENTRY EndDoc(SURFOBJ*, FLONG) { return TRUE; }
    static BOOL APIENTRY SendPage(SURFOBJ*) { return TRUE; }
    static BOOL APIENTRY NextBand(SURFOBJ* surface, POINTL* point) {
        *point = From(surface)->nextBand;
        return TRUE;
    }
    static ULONG APIENTRY Escape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) { return 0; }
};

static_assert(offsetof(SimulatedHost::Device, dev) == 0);

SimulatedHost::SimulatedHost(GetClassObjectFn getClassObject, SpoolSink sink)
    : m_getClassObject(getClassObject), m_sink(std::move(sink)) {}

SimulatedHost::~SimulatedHost() {
    Unload();
}

bool SimulatedHost::Fail(const std::string& what) {
    m_error = what;
    return false;
}

bool SimulatedHost::Load() {
    IClassFactory* factory = nullptr;
    if (FAILED(m_getClassObject(kClsidRenderPlugin, kIidClassFactory,
                                reinterpret_cast<void**>(&factory)))) {
        return Fail("DllGetClassObject refused the render class");
    }
    HRESULT hr =
        factory->CreateInstance(nullptr, kIidPrintOemUni2, reinterpret_cast<void**>(&m_plugin));
    factory->Release();
    if (FAILED(hr))
        return Fail("the class factory gave no IPrintOemUni2");
    DWORD value = 0;
    DWORD needed = 0;
    if (FAILED(m_plugin->GetInfo(OEMGI_GETSIGNATURE, &value, sizeof value, &needed)) ||
        value != kOemSignature) {
        return Fail("wrong plug-in signature");
    }
    if (FAILED(m_plugin->GetInfo(OEMGI_GETVERSION, &value, sizeof value, &needed)) || value != 1) {
        return Fail("wrong plug-in version");
    }
    m_driverInterface = new DriverInterface(&m_sink);
    if (FAILED(m_plugin->PublishDriverInterface(m_driverInterface))) {
        return Fail("PublishDriverInterface failed");
    }
    if (FAILED(m_plugin->EnableDriver(0x00010000, sizeof m_hooks, &m_hooks)) || !m_hooks.pdrvfn) {
        return Fail("EnableDriver failed");
    }
    return true;
}

bool SimulatedHost::EnableDevice(HANDLE printer, const SimOptions& options) {
    if (!m_plugin)
        return Fail("no plug-in loaded");
    DisableDevice();
    auto device = std::make_unique<Device>();
    Device& d = *device;
    d.owner = this;
    d.options = options;
    d.procs.DrvWriteSpoolBuf = &Device::WriteSpoolBuf;
#ifndef _WIN32
    SetDiagnosticsFolder(options.diagnosticsFolder);
#endif
    d.publicDm.dmSize = sizeof(DEVMODEW);
    d.publicDm.dmSpecVersion = 0x0401;
    if (options.landscape) {
        d.publicDm.dmFields |= DM_ORIENTATION;
        d.publicDm.dmOrientation = DMORIENT_LANDSCAPE;
    }
    d.dev.dwSize = sizeof(DEVOBJ);
    d.dev.hPrinter = printer;
    d.dev.pPublicDM = &d.publicDm;
    d.dev.pOEMDM = d.privateDm;
    d.dev.pDrvProcs = &d.procs;

    // The private DEVMODE part as the plug-in defaults it.
    OEMDMPARAM param{};
    param.cbSize = sizeof param;
    param.hPrinter = printer;
    param.pPublicDMIn = &d.publicDm;
    param.pOEMDMOut = d.privateDm;
    param.cbBufSize = sizeof d.privateDm;
    if (FAILED(m_plugin->DevMode(OEMDM_DEFAULT, &param)))
        return Fail("DevMode failed");

    DRVFN own[] = {
        {INDEX_DrvStartDoc, FunctionCast<PFN>(&Device::StartDoc)},
        {INDEX_DrvEndDoc, FunctionCast<PFN>(&Device::EndDoc)},
        {INDEX_DrvSendPage, FunctionCast<PFN>(&Device::SendPage)},
        {INDEX_DrvNextBand, FunctionCast<PFN>(&Device::NextBand)},
        {INDEX_DrvEscape, FunctionCast<PFN>(&Device::Escape)},
    };
    DRVENABLEDATA hostTable{0x00030000, sizeof own / sizeof own[0], own};
    GDIINFO gdi{};
    gdi.cBitsPixel = options.gdiBitsPerPixel;
    gdi.cPlanes = 1;
    DEVINFO devInfo{};
    PALETTEENTRY gray[256];
    for (int i = 0; i < 256; ++i) {
        gray[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    }
    d.palette = CreatePaletteFromEntries(gray, 256);
    devInfo.hpalDefault = d.palette;
    PDEVOEM pdev = nullptr;
    if (FAILED(m_plugin->EnablePDEV(&d.dev, nullptr, 0, nullptr, sizeof gdi, &gdi, sizeof devInfo,
                                    &devInfo, &hostTable, &pdev)) ||
        !pdev) {
        EngDeletePalette(d.palette);
        return Fail("EnablePDEV failed");
    }
    if (devInfo.hpalDefault != d.palette) {
        // The plug-in replaced the default palette (24-bit devices); the device owns it now.
        EngDeletePalette(d.palette);
        d.palette = devInfo.hpalDefault;
    }
    d.dev.pdevOEM = pdev;
    d.surface.dhpdev = reinterpret_cast<DHPDEV>(&d.dev);
    m_device = std::move(device);
    return true;
}

DEVOBJ* SimulatedHost::DeviceObject() const {
    return m_device ? &m_device->dev : nullptr;
}

bool SimulatedHost::StartDoc(const std::u16string& name) {
    if (!m_device)
        return Fail("no device");
    auto hook = FindHook<PFN_DrvStartDoc>(m_hooks, INDEX_DrvStartDoc);
    std::u16string doc = name;
    return hook ? hook(&m_device->surface, reinterpret_cast<LPWSTR>(doc.data()), 1) != FALSE
                : Fail("no StartDoc hook");
}

bool SimulatedHost::PrintPage(const SimPage& page) {
    if (!m_device)
        return Fail("no device");
    Device& d = *m_device;
    auto nextBand = FindHook<PFN_DrvNextBand>(m_hooks, INDEX_DrvNextBand);
    auto sendPage = FindHook<PFN_DrvSendPage>(m_hooks, INDEX_DrvSendPage);
    if (!nextBand || !sendPage)
        return Fail("missing page hooks");

    const DWORD stride = ((static_cast<DWORD>(page.width) * page.bits + 31) / 32) * 4;
    const LONG bandHeight = std::max<LONG>(1, d.options.bandHeight);
    std::vector<BYTE> band(static_cast<std::size_t>(stride) * bandHeight);
    for (LONG top = 0; top < page.height; top += bandHeight) {
        LONG rows = std::min(bandHeight, page.height - top);
        DWORD size = stride * static_cast<DWORD>(rows);
        // 1-bit rows are drawn by setting bits; deeper rows are written whole, padding aside.
        if (page.bits == 1 || stride * 8 != static_cast<DWORD>(page.width) * page.bits) {
            std::fill(band.begin(), band.begin() + size, 0);
        }
        page.rows(top, rows, band.data(), stride);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = page.width;
        header.biHeight = rows;
        header.biPlanes = 1;
        header.biBitCount = page.bits;
        header.biCompression = BI_RGB;
        header.biSizeImage = size;
        header.biXPelsPerMeter = page.dpi;
        header.biYPelsPerMeter = page.dpi;
        header.biClrUsed = page.bits == 8 ? 256 : page.bits == 1 ? 2 : 0;
        IPPARAMS params{};
        params.dwSize = sizeof params;
        params.ptOffset = POINT{0, top};
        params.bBanding = TRUE;
        params.bBlankBand =
            d.options.flagBlankBands &&
            std::all_of(band.begin(), band.begin() + size, [](BYTE b) { return b == 0xFF; });
        PBYTE result = nullptr;
        m_plugin->ImageProcessing(&d.dev, band.data(), &header, nullptr, 3, &params, &result);
        bool last = top + rows >= page.height;
        d.nextBand = last && d.options.reportLastBand ? POINTL{-1, -1} : POINTL{0, top + rows};
        POINTL point{};
        nextBand(&d.surface, &point);
    }
    if (d.options.sendPage)
        sendPage(&d.surface);
    return true;
}

bool SimulatedHost::EndDoc() {
    if (!m_device)
        return Fail("no device");
    auto hook = FindHook<PFN_DrvEndDoc>(m_hooks, INDEX_DrvEndDoc);
    return hook ? hook(&m_device->surface, 0) != FALSE : Fail("no EndDoc hook");
}

void SimulatedHost::DisableDevice() {
    if (!m_device)
        return;
    m_plugin->DisablePDEV(&m_device->dev);
    if (m_device->palette)
        EngDeletePalette(m_device->palette);
    m_device.reset();
}

void SimulatedHost::Unload() {
    DisableDevice();
    if (m_plugin) {
        m_plugin->DisableDriver();
        m_plugin->Release();
        m_plugin = nullptr;
    }
    if (m_driverInterface) {
        m_driverInterface->Release();
        m_driverInterface = nullptr;
    }
}

}  // namespace host
