// The render plug-in's COM surface: the class factory, the plug-in object and the module's
// two exports.
#pragma once

#include "host/oem_uni.h"

struct OemPdev;

class COemUni2 : public IPrintOemUni2 {
  public:
    COemUni2();
    virtual ~COemUni2();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) override;
    HRESULT STDMETHODCALLTYPE DevMode(DWORD mode, POEMDMPARAM param) override;
    HRESULT STDMETHODCALLTYPE EnableDriver(DWORD driverVersion, DWORD size,
                                           DRVENABLEDATA* enableData) override;
    HRESULT STDMETHODCALLTYPE DisableDriver() override;
    HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ device, PWSTR printerName, ULONG patterns,
                                         HSURF* patternSurfaces, ULONG gdiInfoSize,
                                         GDIINFO* gdiInfo, ULONG devInfoSize, DEVINFO* devInfo,
                                         DRVENABLEDATA* enableData, PDEVOEM* devOem) override;
    HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ device) override;
    HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ oldDevice, PDEVOBJ newDevice) override;
    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* hostObject) override;
    HRESULT STDMETHODCALLTYPE GetImplementedMethod(PSTR methodName) override;
    HRESULT STDMETHODCALLTYPE DriverDMS(PVOID device, PVOID buffer, DWORD size,
                                        PDWORD needed) override;
    HRESULT STDMETHODCALLTYPE CommandCallback(PDEVOBJ device, DWORD callbackId, DWORD count,
                                              PDWORD params, INT* result) override;
    HRESULT STDMETHODCALLTYPE ImageProcessing(PDEVOBJ device, PBYTE bits, PBITMAPINFOHEADER header,
                                              PBYTE colorTable, DWORD callbackId, PIPPARAMS params,
                                              PBYTE* result) override;
    HRESULT STDMETHODCALLTYPE FilterGraphics(PDEVOBJ device, PBYTE buffer, DWORD length) override;
    HRESULT STDMETHODCALLTYPE Compression(PDEVOBJ device, PBYTE in, PBYTE out, DWORD inLength,
                                          DWORD outLength, INT* result) override;
    HRESULT STDMETHODCALLTYPE HalftonePattern(PDEVOBJ device, PBYTE pattern, DWORD patternX,
                                              DWORD patternY, DWORD patterns, DWORD callbackId,
                                              PBYTE resource, DWORD resourceSize) override;
    HRESULT STDMETHODCALLTYPE MemoryUsage(PDEVOBJ device, POEMMEMORYUSAGE usage) override;
    HRESULT STDMETHODCALLTYPE DownloadFontHeader(PDEVOBJ device, UNIFONTOBJ* font,
                                                 DWORD* result) override;
    HRESULT STDMETHODCALLTYPE DownloadCharGlyph(PDEVOBJ device, UNIFONTOBJ* font, HGLYPH glyph,
                                                PDWORD width, DWORD* result) override;
    HRESULT STDMETHODCALLTYPE TTDownloadMethod(PDEVOBJ device, UNIFONTOBJ* font,
                                               DWORD* result) override;
    HRESULT STDMETHODCALLTYPE OutputCharStr(PDEVOBJ device, UNIFONTOBJ* font, DWORD type,
                                            DWORD count, PVOID glyphs) override;
    HRESULT STDMETHODCALLTYPE SendFontCmd(PDEVOBJ device, UNIFONTOBJ* font,
                                          FINVOCATION* invocation) override;
    HRESULT STDMETHODCALLTYPE TextOutAsBitmap(SURFOBJ* surface, STROBJ* text, FONTOBJ* font,
                                              CLIPOBJ* clip, RECTL* extra, RECTL* opaque,
                                              BRUSHOBJ* foreground, BRUSHOBJ* background,
                                              POINTL* origin, MIX mix) override;
    HRESULT STDMETHODCALLTYPE TTYGetInfo(PDEVOBJ device, DWORD index, PVOID output, DWORD size,
                                         DWORD* needed) override;
    HRESULT STDMETHODCALLTYPE GetPDEVAdjustment(PDEVOBJ device, DWORD adjustType, PVOID buffer,
                                                DWORD size, BOOL* adjusted) override;
    HRESULT STDMETHODCALLTYPE WritePrinter(PDEVOBJ device, PVOID buffer, DWORD size,
                                           PDWORD written) override;

  private:
    HRESULT StoreBand(OemPdev& pdev, const BYTE* bits, const BITMAPINFOHEADER& header,
                      DWORD callbackId, const IPPARAMS* params);

    volatile LONG m_cRef = 1;
    IPrintOemDriverUni* m_pOEMHelp = nullptr;
};

class COemCF : public IClassFactory {
  public:
    COemCF() = default;
    virtual ~COemCF() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  private:
    volatile LONG m_cRef = 1;
};

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object);
STDAPI DllCanUnloadNow();
