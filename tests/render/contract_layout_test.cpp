// The host contract as the universal driver lays it out: the structures it shares with the
// plug-in on 64-bit and 32-bit Windows (the same layouts natively on 64-bit systems), and the
// slot of every interface method, found by calling through the object's table.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/oem_uni.h"
#include "settings/records.h"

namespace {

constexpr bool k64 = sizeof(void*) == 8;
constexpr std::size_t On(std::size_t bits64, std::size_t bits32) {
    return k64 ? bits64 : bits32;
}

static_assert(sizeof(DEVOBJ) == On(64, 32));
static_assert(offsetof(DEVOBJ, pdevOEM) == On(8, 4));
static_assert(offsetof(DEVOBJ, hEngine) == On(16, 8));
static_assert(offsetof(DEVOBJ, hPrinter) == On(24, 12));
static_assert(offsetof(DEVOBJ, hOEM) == On(32, 16));
static_assert(offsetof(DEVOBJ, pPublicDM) == On(40, 20));
static_assert(offsetof(DEVOBJ, pOEMDM) == On(48, 24));
static_assert(offsetof(DEVOBJ, pDrvProcs) == On(56, 28));
static_assert(offsetof(DRVPROCS, DrvWriteSpoolBuf) == 0);
static_assert(sizeof(DRVPROCS) == On(64, 32));

static_assert(sizeof(OEMDMPARAM) == On(72, 36));
static_assert(offsetof(OEMDMPARAM, pdriverobj) == On(8, 4));
static_assert(offsetof(OEMDMPARAM, hPrinter) == On(16, 8));
static_assert(offsetof(OEMDMPARAM, hModule) == On(24, 12));
static_assert(offsetof(OEMDMPARAM, pPublicDMIn) == On(32, 16));
static_assert(offsetof(OEMDMPARAM, pPublicDMOut) == On(40, 20));
static_assert(offsetof(OEMDMPARAM, pOEMDMIn) == On(48, 24));
static_assert(offsetof(OEMDMPARAM, pOEMDMOut) == On(56, 28));
static_assert(offsetof(OEMDMPARAM, cbBufSize) == On(64, 32));

static_assert(sizeof(IPPARAMS) == On(32, 24));
static_assert(offsetof(IPPARAMS, ptOffset) == 4);
static_assert(offsetof(IPPARAMS, pHalftoneOption) == On(16, 12));
static_assert(offsetof(IPPARAMS, bBanding) == On(24, 16));
static_assert(offsetof(IPPARAMS, bBlankBand) == On(28, 20));

static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(offsetof(BITMAPINFOHEADER, biWidth) == 4);
static_assert(offsetof(BITMAPINFOHEADER, biHeight) == 8);
static_assert(offsetof(BITMAPINFOHEADER, biBitCount) == 14);
static_assert(offsetof(BITMAPINFOHEADER, biSizeImage) == 20);
static_assert(offsetof(BITMAPINFOHEADER, biXPelsPerMeter) == 24);
static_assert(offsetof(BITMAPINFOHEADER, biClrImportant) == 36);

// The public DEVMODE fields the plug-ins read, and the private part after it.
static_assert(sizeof(DEVMODEW) == 220);
static_assert(offsetof(DEVMODEW, dmSize) == 68);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmPaperSize) == 78);
static_assert(offsetof(DEVMODEW, dmPaperLength) == 80);
static_assert(offsetof(DEVMODEW, dmPaperWidth) == 82);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(sizeof(OemPrivateDevmode) == 16);
static_assert(offsetof(OemPrivateDevmode, dwSignature) == 4);
static_assert(offsetof(OemPrivateDevmode, dwVersion) == 8);
static_assert(offsetof(OemPrivateDevmode, dwDriverData) == 12);

static_assert(sizeof(DRVFN) == On(16, 8));
static_assert(offsetof(DRVFN, pfn) == On(8, 4));
static_assert(sizeof(DRVENABLEDATA) == On(16, 12));
static_assert(offsetof(DRVENABLEDATA, pdrvfn) == 8);
static_assert(sizeof(SURFOBJ) == On(80, 52));
static_assert(offsetof(SURFOBJ, dhpdev) == On(16, 8));
static_assert(offsetof(SURFOBJ, iType) == On(76, 48));
static_assert(sizeof(GDIINFO) == On(320, 304));
static_assert(offsetof(GDIINFO, cBitsPixel) == 24);
static_assert(offsetof(GDIINFO, ciDevice) == 108);
static_assert(offsetof(GDIINFO, pHTPatA) == 280);
static_assert(sizeof(DEVINFO) == On(312, 300));
static_assert(offsetof(DEVINFO, hpalDefault) == On(296, 292));
static_assert(sizeof(OEMMEMORYUSAGE) == 12);

// Calls slot `slot` of a COM object's table with the method's own parameters.
template <class R, class... Args>
R CallSlot(void* object, int slot, Args... args) {
    using Fn = R(STDMETHODCALLTYPE*)(void*, Args...);
    void** table = *static_cast<void***>(object);
    Fn fn;
    std::memcpy(&fn, &table[slot], sizeof fn);
    return fn(object, args...);
}

struct SlotCall {
    const char* method;
    std::function<void(void* object, int slot)> call;
};

// IUnknown's three slots, as every interface starts.
std::vector<SlotCall> UnknownSlots() {
    return {
        {"QueryInterface",
         [](void* o, int s) {
             void* out = nullptr;
             CallSlot<HRESULT, const IID*, void**>(o, s, &host::kIidUnknown, &out);
         }},
        {"AddRef", [](void* o, int s) { CallSlot<ULONG>(o, s); }},
        {"Release", [](void* o, int s) { CallSlot<ULONG>(o, s); }},
    };
}

// Each method names itself when called.
class RenderProbe : public IPrintOemUni2 {
  public:
    std::string last;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override {
        return Is("QueryInterface");
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Is("AddRef"); }
    ULONG STDMETHODCALLTYPE Release() override { return Is("Release"); }
    HRESULT STDMETHODCALLTYPE GetInfo(DWORD, PVOID, DWORD, PDWORD) override {
        return Is("GetInfo");
    }
    HRESULT STDMETHODCALLTYPE DevMode(DWORD, POEMDMPARAM) override { return Is("DevMode"); }
    HRESULT STDMETHODCALLTYPE EnableDriver(DWORD, DWORD, DRVENABLEDATA*) override {
        return Is("EnableDriver");
    }
    HRESULT STDMETHODCALLTYPE DisableDriver() override { return Is("DisableDriver"); }
    HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ, PWSTR, ULONG, HSURF*, ULONG, GDIINFO*, ULONG,
                                         DEVINFO*, DRVENABLEDATA*, PDEVOEM*) override {
        return Is("EnablePDEV");
    }
    HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ) override { return Is("DisablePDEV"); }
    HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ, PDEVOBJ) override { return Is("ResetPDEV"); }
    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown*) override {
        return Is("PublishDriverInterface");
    }
    HRESULT STDMETHODCALLTYPE GetImplementedMethod(PSTR) override {
        return Is("GetImplementedMethod");
    }
    HRESULT STDMETHODCALLTYPE DriverDMS(PVOID, PVOID, DWORD, PDWORD) override {
        return Is("DriverDMS");
    }
    HRESULT STDMETHODCALLTYPE CommandCallback(PDEVOBJ, DWORD, DWORD, PDWORD, INT*) override {
        return Is("CommandCallback");
    }
    HRESULT STDMETHODCALLTYPE ImageProcessing(PDEVOBJ, PBYTE, PBITMAPINFOHEADER, PBYTE, DWORD,
                                              PIPPARAMS, PBYTE*) override {
        return Is("ImageProcessing");
    }
    HRESULT STDMETHODCALLTYPE FilterGraphics(PDEVOBJ, PBYTE, DWORD) override {
        return Is("FilterGraphics");
    }
    HRESULT STDMETHODCALLTYPE Compression(PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*) override {
        return Is("Compression");
    }
    HRESULT STDMETHODCALLTYPE HalftonePattern(PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE,
                                              DWORD) override {
        return Is("HalftonePattern");
    }
    HRESULT STDMETHODCALLTYPE MemoryUsage(PDEVOBJ, POEMMEMORYUSAGE) override {
        return Is("MemoryUsage");
    }
    HRESULT STDMETHODCALLTYPE DownloadFontHeader(PDEVOBJ, UNIFONTOBJ*, DWORD*) override {
        return Is("DownloadFontHeader");
    }
    HRESULT STDMETHODCALLTYPE DownloadCharGlyph(PDEVOBJ, UNIFONTOBJ*, HGLYPH, PDWORD,
                                                DWORD*) override {
        return Is("DownloadCharGlyph");
    }
    HRESULT STDMETHODCALLTYPE TTDownloadMethod(PDEVOBJ, UNIFONTOBJ*, DWORD*) override {
        return Is("TTDownloadMethod");
    }
    HRESULT STDMETHODCALLTYPE OutputCharStr(PDEVOBJ, UNIFONTOBJ*, DWORD, DWORD, PVOID) override {
        return Is("OutputCharStr");
    }
    HRESULT STDMETHODCALLTYPE SendFontCmd(PDEVOBJ, UNIFONTOBJ*, FINVOCATION*) override {
        return Is("SendFontCmd");
    }
    HRESULT STDMETHODCALLTYPE TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                              BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) override {
        return Is("TextOutAsBitmap");
    }
    HRESULT STDMETHODCALLTYPE TTYGetInfo(PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) override {
        return Is("TTYGetInfo");
    }
    HRESULT STDMETHODCALLTYPE GetPDEVAdjustment(PDEVOBJ, DWORD, PVOID, DWORD, BOOL*) override {
        return Is("GetPDEVAdjustment");
    }
    HRESULT STDMETHODCALLTYPE WritePrinter(PDEVOBJ, PVOID, DWORD, PDWORD) override {
        return Is("WritePrinter");
    }

  private:
    HRESULT Is(const char* name) {
        last = name;
        return S_OK;
    }
};

class HelperProbe : public IPrintOemDriverUni {
  public:
    std::string last;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override {
        return Is("QueryInterface");
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Is("AddRef"); }
    ULONG STDMETHODCALLTYPE Release() override { return Is("Release"); }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD,
                                                  PDWORD) override {
        return Is("DrvGetDriverSetting");
    }
    HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ, PVOID, DWORD, DWORD*) override {
        return Is("DrvWriteSpoolBuf");
    }
    HRESULT STDMETHODCALLTYPE DrvXMoveTo(PDEVOBJ, INT, DWORD, INT*) override {
        return Is("DrvXMoveTo");
    }
    HRESULT STDMETHODCALLTYPE DrvYMoveTo(PDEVOBJ, INT, DWORD, INT*) override {
        return Is("DrvYMoveTo");
    }
    HRESULT STDMETHODCALLTYPE DrvGetStandardVariable(PDEVOBJ, DWORD, PVOID, DWORD,
                                                     PDWORD) override {
        return Is("DrvGetStandardVariable");
    }
    HRESULT STDMETHODCALLTYPE DrvGetGPDData(PDEVOBJ, DWORD, PVOID, PVOID, DWORD, PDWORD) override {
        return Is("DrvGetGPDData");
    }
    HRESULT STDMETHODCALLTYPE DrvUniTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                            BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) override {
        return Is("DrvUniTextOut");
    }
    HRESULT STDMETHODCALLTYPE DrvWriteAbortBuf(PDEVOBJ, PVOID, DWORD, DWORD) override {
        return Is("DrvWriteAbortBuf");
    }

  private:
    HRESULT Is(const char* name) {
        last = name;
        return S_OK;
    }
};

void ExpectSlots(void* object, const std::vector<SlotCall>& slots,
                 const std::function<std::string()>& lastCalled) {
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        slots[slot].call(object, static_cast<int>(slot));
        EXPECT_EQ(lastCalled(), slots[slot].method) << "slot " << slot;
    }
}

TEST(HostContract, RenderPluginInterfaceSlotsInHostOrder) {
    std::vector<SlotCall> slots = UnknownSlots();
    const std::vector<SlotCall> own = {
        {"GetInfo",
         [](void* o, int s) { CallSlot<HRESULT, DWORD, PVOID, DWORD, PDWORD>(o, s, 1, 0, 0, 0); }},
        {"DevMode", [](void* o, int s) { CallSlot<HRESULT, DWORD, POEMDMPARAM>(o, s, 1, 0); }},
        {"EnableDriver",
         [](void* o, int s) { CallSlot<HRESULT, DWORD, DWORD, DRVENABLEDATA*>(o, s, 0, 0, 0); }},
        {"DisableDriver", [](void* o, int s) { CallSlot<HRESULT>(o, s); }},
        {"EnablePDEV",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, PWSTR, ULONG, HSURF*, ULONG, GDIINFO*, ULONG, DEVINFO*,
                      DRVENABLEDATA*, PDEVOEM*>(o, s, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
         }},
        {"DisablePDEV", [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ>(o, s, 0); }},
        {"ResetPDEV", [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ, PDEVOBJ>(o, s, 0, 0); }},
        {"PublishDriverInterface", [](void* o, int s) { CallSlot<HRESULT, IUnknown*>(o, s, 0); }},
        {"GetImplementedMethod", [](void* o, int s) { CallSlot<HRESULT, PSTR>(o, s, 0); }},
        {"DriverDMS",
         [](void* o, int s) { CallSlot<HRESULT, PVOID, PVOID, DWORD, PDWORD>(o, s, 0, 0, 0, 0); }},
        {"CommandCallback",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, DWORD, DWORD, PDWORD, INT*>(o, s, 0, 0, 0, 0, 0);
         }},
        {"ImageProcessing",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, PBYTE, PBITMAPINFOHEADER, PBYTE, DWORD, PIPPARAMS, PBYTE*>(
                 o, s, 0, 0, 0, 0, 0, 0, 0);
         }},
        {"FilterGraphics",
         [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ, PBYTE, DWORD>(o, s, 0, 0, 0); }},
        {"Compression",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*>(o, s, 0, 0, 0, 0, 0, 0);
         }},
        {"HalftonePattern",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD>(
                 o, s, 0, 0, 0, 0, 0, 0, 0, 0);
         }},
        {"MemoryUsage",
         [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ, POEMMEMORYUSAGE>(o, s, 0, 0); }},
        {"DownloadFontHeader",
         [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, DWORD*>(o, s, 0, 0, 0); }},
        {"DownloadCharGlyph",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, HGLYPH, PDWORD, DWORD*>(o, s, 0, 0, 0, 0, 0);
         }},
        {"TTDownloadMethod",
         [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, DWORD*>(o, s, 0, 0, 0); }},
        {"OutputCharStr",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, DWORD, DWORD, PVOID>(o, s, 0, 0, 0, 0, 0);
         }},
        {"SendFontCmd",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, FINVOCATION*>(o, s, 0, 0, 0);
         }},
        {"TextOutAsBitmap",
         [](void* o, int s) {
             CallSlot<HRESULT, SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                      BRUSHOBJ*, POINTL*, MIX>(o, s, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
         }},
        {"TTYGetInfo",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, DWORD, PVOID, DWORD, DWORD*>(o, s, 0, 0, 0, 0, 0);
         }},
        {"GetPDEVAdjustment",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, DWORD, PVOID, DWORD, BOOL*>(o, s, 0, 0, 0, 0, 0);
         }},
        {"WritePrinter",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, PVOID, DWORD, PDWORD>(o, s, 0, 0, 0, 0);
         }},
    };
    slots.insert(slots.end(), own.begin(), own.end());
    RenderProbe probe;
    ExpectSlots(static_cast<IPrintOemUni2*>(&probe), slots, [&] { return probe.last; });
}

TEST(HostContract, HostHelperInterfaceSlotsInHostOrder) {
    std::vector<SlotCall> slots = UnknownSlots();
    const std::vector<SlotCall> own = {
        {"DrvGetDriverSetting",
         [](void* o, int s) {
             CallSlot<HRESULT, PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD>(o, s, 0, 0, 0, 0, 0, 0);
         }},
        {"DrvWriteSpoolBuf",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, PVOID, DWORD, DWORD*>(o, s, 0, 0, 0, 0);
         }},
        {"DrvXMoveTo",
         [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ, INT, DWORD, INT*>(o, s, 0, 0, 0, 0); }},
        {"DrvYMoveTo",
         [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ, INT, DWORD, INT*>(o, s, 0, 0, 0, 0); }},
        {"DrvGetStandardVariable",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, DWORD, PVOID, DWORD, PDWORD>(o, s, 0, 0, 0, 0, 0);
         }},
        {"DrvGetGPDData",
         [](void* o, int s) {
             CallSlot<HRESULT, PDEVOBJ, DWORD, PVOID, PVOID, DWORD, PDWORD>(o, s, 0, 0, 0, 0, 0, 0);
         }},
        {"DrvUniTextOut",
         [](void* o, int s) {
             CallSlot<HRESULT, SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                      BRUSHOBJ*, POINTL*, MIX>(o, s, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
         }},
        {"DrvWriteAbortBuf",
         [](void* o, int s) { CallSlot<HRESULT, PDEVOBJ, PVOID, DWORD, DWORD>(o, s, 0, 0, 0, 0); }},
    };
    slots.insert(slots.end(), own.begin(), own.end());
    HelperProbe probe;
    ExpectSlots(static_cast<IPrintOemDriverUni*>(&probe), slots, [&] { return probe.last; });
}

}  // namespace
