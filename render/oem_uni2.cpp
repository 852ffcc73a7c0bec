#include "render/oem_uni2.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host/alloc.h"
#include "host/gdi.h"
#include "host/trace.h"
#include "render/printer_render.h"
#include "settings/printer_data.h"

namespace {

volatile LONG g_cComponents = 0;
volatile LONG g_cServerLocks = 0;

constexpr DWORD kPrinterOemInterfaceVersion = 0x00010000;
constexpr DWORD kFixedMemoryUsage = 0x4000000;

// The device of a hooked call with its writer; releases the writer when the call is done.
class HookCall {
  public:
    HookCall(SURFOBJ* surface, const char* name) {
        host::Trace(name);
        m_dev = surface ? reinterpret_cast<DEVOBJ*>(surface->dhpdev) : nullptr;
        m_pdev = m_dev ? static_cast<OemPdev*>(m_dev->pdevOEM) : nullptr;
        m_render = AcquireRender(m_dev, m_pdev);
        if (m_render) {
            m_render->m_pDevObj = m_dev;
            m_render->m_pOemPDEV = m_pdev;
        }
    }
    ~HookCall() {
        if (m_render)
            m_render->Release();
    }
    HookCall(const HookCall&) = delete;
    HookCall& operator=(const HookCall&) = delete;

    OemPdev* Pdev() const { return m_pdev; }
    PrinterRender* Render() const { return m_render; }

    // Renders the pending page; a page that no writer can take is released instead.
    void FinishPage() const {
        if (!m_pdev || !m_pdev->PagePending())
            return;
        if (m_render) {
            m_render->RenderPage();
        } else {
            m_pdev->ResetPage();
        }
    }

  private:
    DEVOBJ* m_dev = nullptr;
    OemPdev* m_pdev = nullptr;
    PrinterRender* m_render = nullptr;
};

BOOL APIENTRY OEMStartDoc(SURFOBJ* surface, LPWSTR docName, DWORD jobId) {
    HookCall call(surface, "OEMStartDoc");
    if (call.Render())
        call.Render()->OnStartDoc();
    OemPdev* pdev = call.Pdev();
    return pdev && pdev->pfnStartDoc ? pdev->pfnStartDoc(surface, docName, jobId) : FALSE;
}

BOOL APIENTRY OEMEndDoc(SURFOBJ* surface, FLONG flags) {
    HookCall call(surface, "OEMEndDoc");
    call.FinishPage();
    if (call.Render())
        call.Render()->OnEndDoc();
    OemPdev* pdev = call.Pdev();
    return pdev && pdev->pfnEndDoc ? pdev->pfnEndDoc(surface, flags) : FALSE;
}

BOOL APIENTRY OEMSendPage(SURFOBJ* surface) {
    HookCall call(surface, "OEMSendPage");
    OemPdev* pdev = call.Pdev();
    BOOL result = pdev && pdev->pfnSendPage ? pdev->pfnSendPage(surface) : FALSE;
    if (call.Render())
        call.Render()->OnSendPage();
    call.FinishPage();
    return result;
}

BOOL APIENTRY OEMNextBand(SURFOBJ* surface, POINTL* point) {
    HookCall call(surface, "OEMNextBand");
    OemPdev* pdev = call.Pdev();
    BOOL result = pdev && pdev->pfnNextBand ? pdev->pfnNextBand(surface, point) : FALSE;
    if (call.Render())
        call.Render()->OnNextBand();
    if (point && point->x == -1 && point->y == -1)
        call.FinishPage();
    return result;
}

ULONG APIENTRY OEMEscape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) {
    return 0;
}

DRVFN g_hooks[] = {
    {INDEX_DrvStartDoc, FunctionCast<PFN>(OEMStartDoc)},
    {INDEX_DrvEndDoc, FunctionCast<PFN>(OEMEndDoc)},
    {INDEX_DrvSendPage, FunctionCast<PFN>(OEMSendPage)},
    {INDEX_DrvNextBand, FunctionCast<PFN>(OEMNextBand)},
    {INDEX_DrvEscape, FunctionCast<PFN>(OEMEscape)},
};

}  // namespace

// ---- COemUni2 ----

COemUni2::COemUni2() {
    InterlockedIncrement(&g_cComponents);
}

COemUni2::~COemUni2() {
    if (m_pOEMHelp)
        m_pOEMHelp->Release();
    InterlockedDecrement(&g_cComponents);
}

HRESULT COemUni2::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualGUID(iid, host::kIidUnknown) || IsEqualGUID(iid, host::kIidPrintOemUni2)) {
        *object = static_cast<IPrintOemUni2*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG COemUni2::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG COemUni2::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT COemUni2::GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) {
    if (!needed || (mode != OEMGI_GETSIGNATURE && mode != OEMGI_GETVERSION)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    *needed = sizeof(DWORD);
    if (!buffer || size < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return E_FAIL;
    }
    DWORD value = mode == OEMGI_GETSIGNATURE ? kOemSignature : kOemVersion;
    std::memcpy(buffer, &value, sizeof value);
    return S_OK;
}

HRESULT COemUni2::DevMode(DWORD mode, POEMDMPARAM param) {
    if (!param || mode < OEMDM_SIZE || mode > OEMDM_MERGE) {
        host::Trace("ERROR BITMAP:  DevMode() ERROR_INVALID_PARAMETER.\r\n");
        host::TraceF("BITMAP:  \tdwMode = %d, pOemDMParam = %#lx.\r\n", static_cast<int>(mode),
                     static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(param)));
    }
    return OemDevMode(mode, param, OemPlugin::Render);
}

HRESULT COemUni2::EnableDriver(DWORD, DWORD, DRVENABLEDATA* enableData) {
    if (!enableData)
        return E_FAIL;
    enableData->iDriverVersion = kPrinterOemInterfaceVersion;
    enableData->c = sizeof g_hooks / sizeof g_hooks[0];
    enableData->pdrvfn = g_hooks;
    return S_OK;
}

HRESULT COemUni2::DisableDriver() {
    if (m_pOEMHelp) {
        m_pOEMHelp->Release();
        m_pOEMHelp = nullptr;
    }
    return S_OK;
}

HRESULT COemUni2::EnablePDEV(PDEVOBJ, PWSTR, ULONG, HSURF*, ULONG, GDIINFO* gdiInfo, ULONG,
                             DEVINFO* devInfo, DRVENABLEDATA* enableData, PDEVOEM* devOem) {
    auto* pdev = new (std::nothrow) OemPdev;
    if (!pdev)
        return E_FAIL;
    for (ULONG i = 0; enableData && enableData->pdrvfn && i < enableData->c; ++i) {
        const DRVFN& fn = enableData->pdrvfn[i];
        switch (fn.iFunc) {
            case INDEX_DrvStartDoc:
                pdev->pfnStartDoc = FunctionCast<PFN_DrvStartDoc>(fn.pfn);
                break;
            case INDEX_DrvEndDoc:
                pdev->pfnEndDoc = FunctionCast<PFN_DrvEndDoc>(fn.pfn);
                break;
            case INDEX_DrvSendPage:
                pdev->pfnSendPage = FunctionCast<PFN_DrvSendPage>(fn.pfn);
                break;
            case INDEX_DrvNextBand:
                pdev->pfnNextBand = FunctionCast<PFN_DrvNextBand>(fn.pfn);
                break;
            case INDEX_DrvEscape:
                pdev->pfnEscape = FunctionCast<PFN_DrvEscape>(fn.pfn);
                break;
        }
    }
    if (devInfo) {
        if (gdiInfo && gdiInfo->cBitsPixel == 24) {
            devInfo->hpalDefault = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
        }
        pdev->hpalDefault = devInfo->hpalDefault;
    }
    if (devOem)
        *devOem = pdev;
    return S_OK;
}

HRESULT COemUni2::DisablePDEV(PDEVOBJ device) {
    if (device) {
        delete static_cast<OemPdev*>(device->pdevOEM);
        device->pdevOEM = nullptr;
    }
    return S_OK;
}

HRESULT COemUni2::ResetPDEV(PDEVOBJ, PDEVOBJ) {
    return S_OK;
}

HRESULT COemUni2::PublishDriverInterface(IUnknown* hostObject) {
    if (m_pOEMHelp)
        return S_OK;
    void* helper = nullptr;
    if (!hostObject || FAILED(hostObject->QueryInterface(host::kIidPrintOemDriverUni, &helper))) {
        m_pOEMHelp = nullptr;
        return E_FAIL;
    }
    m_pOEMHelp = static_cast<IPrintOemDriverUni*>(helper);
    return S_OK;
}

HRESULT COemUni2::GetImplementedMethod(PSTR methodName) {
    static const char* const kImplemented[] = {"CommandCallback", "FilterGraphics",
                                               "ImageProcessing", "MemoryUsage"};
    if (!methodName)
        return S_FALSE;
    for (const char* name : kImplemented) {
        if (std::strcmp(methodName, name) == 0)
            return S_OK;
    }
    return S_FALSE;
}

HRESULT COemUni2::DriverDMS(PVOID, PVOID, DWORD, PDWORD) {
    return E_NOTIMPL;
}

HRESULT COemUni2::CommandCallback(PDEVOBJ, DWORD, DWORD, PDWORD, INT* result) {
    if (result)
        *result = 0;
    return S_OK;
}

HRESULT COemUni2::ImageProcessing(PDEVOBJ device, PBYTE bits, PBITMAPINFOHEADER header, PBYTE,
                                  DWORD callbackId, PIPPARAMS params, PBYTE* result) {
    if (result)
        *result = nullptr;
    OemPdev* pdev = device ? static_cast<OemPdev*>(device->pdevOEM) : nullptr;
    if (!pdev || !header)
        return E_FAIL;
    HRESULT hr = StoreBand(*pdev, bits, *header, callbackId, params);
    if (FAILED(hr))
        return hr;
    if (result)
        *result = reinterpret_cast<PBYTE>(1);
    return S_OK;
}

// Takes one band into the page; the first band of a page also fixes the page's header and
// colour table.
HRESULT COemUni2::StoreBand(OemPdev& pdev, const BYTE* bits, const BITMAPINFOHEADER& header,
                            DWORD callbackId, const IPPARAMS* params) {
    const bool blank = params && params->bBlankBand;
    if (pdev.bPageFailed)
        return E_FAIL;
    if (!pdev.bHeadersFilled) {
        pdev.bHeadersFilled = 1;
        BITMAPINFOHEADER& h = pdev.bmInfoHeader;
        h = header;
        h.biHeight = 0;
        h.biSizeImage = 0;
        if (callbackId != 5) {
            pdev.bColorTable = 1;
            DWORD entries = callbackId == 1 ? 2 : callbackId == 2 ? 16 : callbackId == 3 ? 256 : 0;
            pdev.cPalColors = entries;
            pdev.colorTable.assign(entries, RGBQUAD{});
            if (entries == 2) {
                pdev.colorTable[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
            } else if (entries > 2) {
                PALETTEENTRY palette[256];
                if (!pdev.hpalDefault ||
                    GetPaletteEntries(pdev.hpalDefault, 0, entries, palette) == 0) {
                    // Nothing of this page can be rendered; its end resets the device.
                    pdev.bPageFailed = true;
                    return E_FAIL;
                }
                for (DWORD i = 0; i < entries; ++i) {
                    pdev.colorTable[i] =
                        RGBQUAD{palette[i].peBlue, palette[i].peGreen, palette[i].peRed, 0};
                }
                pdev.colorTable[entries - 1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
            }
        }
    } else if (header.biWidth != pdev.bmInfoHeader.biWidth ||
               header.biBitCount != pdev.bmInfoHeader.biBitCount) {
        // Bands are joined byte for byte; one of another shape would scramble the page.
        host::TraceF("band of %dx%d bits refused: the page is %d pixels of %d bits",
                     static_cast<int>(header.biWidth), header.biBitCount,
                     static_cast<int>(pdev.bmInfoHeader.biWidth), pdev.bmInfoHeader.biBitCount);
        return E_FAIL;
    }
    if (header.biHeight < 0 || (!bits && !blank))
        return E_FAIL;

    pdev.bmInfoHeader.biHeight += header.biHeight;
    pdev.bmInfoHeader.biSizeImage += header.biSizeImage;
    // Every byte of the block is written right below.
    auto* block = static_cast<BYTE*>(host::AllocBlock(header.biSizeImage));
    if (!block) {
        host::Trace("BITMAP:  LocalAlloc failed!\n");
        pdev.ResetPage();
        // The rest of this page is dropped; the next page starts clean.
        pdev.bHeadersFilled = 1;
        pdev.bPageFailed = true;
        return E_FAIL;
    }
    if (blank) {
        std::memset(block, 0xFF, header.biSizeImage);
    } else {
        std::memcpy(block, bits, header.biSizeImage);
    }
    try {
        pdev.bands.push_back(PageBand{block, header.biSizeImage});
    } catch (const std::bad_alloc&) {
        host::FreeBlock(block);
        host::Trace("BITMAP:  LocalAlloc failed!\n");
        pdev.ResetPage();
        pdev.bHeadersFilled = 1;
        pdev.bPageFailed = true;
        return E_FAIL;
    }
    pdev.dwBufSize += header.biSizeImage;
    return S_OK;
}

HRESULT COemUni2::FilterGraphics(PDEVOBJ device, PBYTE buffer, DWORD length) {
    DWORD written = 0;
    if (!m_pOEMHelp)
        return S_FALSE;
    m_pOEMHelp->DrvWriteSpoolBuf(device, buffer, length, &written);
    return written == length ? S_OK : S_FALSE;
}

HRESULT COemUni2::Compression(PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*) {
    return E_NOTIMPL;
}

HRESULT COemUni2::HalftonePattern(PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD) {
    return E_NOTIMPL;
}

HRESULT COemUni2::MemoryUsage(PDEVOBJ, POEMMEMORYUSAGE usage) {
    if (usage) {
        usage->dwFixedMemoryUsage = kFixedMemoryUsage;
        usage->dwPercentMemoryUsage = 100;
    }
    return S_OK;
}

HRESULT COemUni2::DownloadFontHeader(PDEVOBJ, UNIFONTOBJ*, DWORD*) {
    return E_NOTIMPL;
}
HRESULT COemUni2::DownloadCharGlyph(PDEVOBJ, UNIFONTOBJ*, HGLYPH, PDWORD, DWORD*) {
    return E_NOTIMPL;
}
HRESULT COemUni2::TTDownloadMethod(PDEVOBJ, UNIFONTOBJ*, DWORD*) {
    return E_NOTIMPL;
}
HRESULT COemUni2::OutputCharStr(PDEVOBJ, UNIFONTOBJ*, DWORD, DWORD, PVOID) {
    return E_NOTIMPL;
}
HRESULT COemUni2::SendFontCmd(PDEVOBJ, UNIFONTOBJ*, FINVOCATION*) {
    return E_NOTIMPL;
}
HRESULT COemUni2::TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                                  BRUSHOBJ*, POINTL*, MIX) {
    return E_NOTIMPL;
}
HRESULT COemUni2::TTYGetInfo(PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) {
    return E_NOTIMPL;
}
HRESULT COemUni2::GetPDEVAdjustment(PDEVOBJ, DWORD, PVOID, DWORD, BOOL*) {
    return E_NOTIMPL;
}
HRESULT COemUni2::WritePrinter(PDEVOBJ, PVOID, DWORD, PDWORD) {
    return E_NOTIMPL;
}

// ---- Class factory and exports ----

HRESULT COemCF::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualGUID(iid, host::kIidUnknown) || IsEqualGUID(iid, host::kIidClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG COemCF::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG COemCF::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT COemCF::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (object)
        *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    auto* plugin = new (std::nothrow) COemUni2;
    if (!plugin)
        return E_OUTOFMEMORY;
    HRESULT hr = plugin->QueryInterface(iid, object);
    plugin->Release();
    return hr;
}

HRESULT COemCF::LockServer(BOOL lock) {
    if (lock) {
        InterlockedIncrement(&g_cServerLocks);
    } else {
        InterlockedDecrement(&g_cServerLocks);
    }
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    if (object)
        *object = nullptr;
    if (!IsEqualGUID(clsid, host::kClsidRenderPlugin)) {
        host::Trace("ERROR BITMAP:  DllGetClassObject:\tClass not available!\r\n");
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) COemCF;
    if (!factory) {
        host::Trace("ERROR BITMAP:  DllGetClassObject:\tOut of Memory!\r\n");
        return E_OUTOFMEMORY;
    }
    HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return g_cComponents == 0 && g_cServerLocks == 0 ? S_OK : S_FALSE;
}
