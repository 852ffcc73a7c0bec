// What the universal printer driver host and its render plug-ins share: the graphics-engine
// structures the plug-in reads, the device object with its service table, the DevMode and
// image-processing parameter blocks, and the two COM interfaces with their slots in host
// order. Laid out as the host lays them out on 64-bit and 32-bit Windows.
#pragma once

#include "host/com.h"
#include "host/win32_types.h"

// ---- Graphics engine (DDI) ----

struct HSURF__;
using HSURF = HSURF__*;
struct DHSURF__;
using DHSURF = DHSURF__*;
struct DHPDEV__;
using DHPDEV = DHPDEV__*;
struct HDEV__;
using HDEV = HDEV__*;
using LDECI4 = LONG;
using HGLYPH = ULONG;
using MIX = ULONG;
using PFN = LONG_PTR(APIENTRY*)();

#ifndef _WIN32
struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[32];
};
#endif

// Function-table entries are stored as PFN; the detour through a pointer to void() marks the
// change of signature as deliberate.
template <class To, class From>
To FunctionCast(From function) {
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(function));
}

struct DRVFN {
    ULONG iFunc;
    PFN pfn;
};

struct DRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;
    DRVFN* pdrvfn;
};

struct SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev;
    HDEV hdev;
    SIZEL sizlBitmap;
    ULONG cjBits;
    PVOID pvBits;
    PVOID pvScan0;
    LONG lDelta;
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
};

struct CIECHROMA {
    LDECI4 x;
    LDECI4 y;
    LDECI4 Y;
};

struct COLORINFO {
    CIECHROMA Red;
    CIECHROMA Green;
    CIECHROMA Blue;
    CIECHROMA Cyan;
    CIECHROMA Magenta;
    CIECHROMA Yellow;
    CIECHROMA AlignmentWhite;
    LDECI4 RedGamma;
    LDECI4 GreenGamma;
    LDECI4 BlueGamma;
    LDECI4 MagentaInCyanDye;
    LDECI4 YellowInCyanDye;
    LDECI4 CyanInMagentaDye;
    LDECI4 YellowInMagentaDye;
    LDECI4 CyanInYellowDye;
    LDECI4 MagentaInYellowDye;
};

struct GDIINFO {
    ULONG ulVersion;
    ULONG ulTechnology;
    ULONG ulHorzSize;
    ULONG ulVertSize;
    ULONG ulHorzRes;
    ULONG ulVertRes;
    ULONG cBitsPixel;
    ULONG cPlanes;
    ULONG ulNumColors;
    ULONG flRaster;
    ULONG ulLogPixelsX;
    ULONG ulLogPixelsY;
    ULONG flTextCaps;
    ULONG ulDACRed;
    ULONG ulDACGreen;
    ULONG ulDACBlue;
    ULONG ulAspectX;
    ULONG ulAspectY;
    ULONG ulAspectXY;
    LONG xStyleStep;
    LONG yStyleStep;
    LONG denStyleStep;
    POINTL ptlPhysOffset;
    SIZEL szlPhysSize;
    ULONG ulNumPalReg;
    COLORINFO ciDevice;
    ULONG ulDevicePelsDPI;
    ULONG ulPrimaryOrder;
    ULONG ulHTPatternSize;
    ULONG ulHTOutputFormat;
    ULONG flHTFlags;
    ULONG ulVRefresh;
    ULONG ulBltAlignment;
    ULONG ulPanningHorzRes;
    ULONG ulPanningVertRes;
    ULONG xPanningAlignment;
    ULONG yPanningAlignment;
    ULONG cxHTPat;
    ULONG cyHTPat;
    LPBYTE pHTPatA;
    LPBYTE pHTPatB;
    LPBYTE pHTPatC;
    ULONG flShadeBlend;
    ULONG ulPhysicalPixelCharacteristics;
    ULONG ulPhysicalPixelGamma;
};

struct DEVINFO {
    FLONG flGraphicsCaps;
    LOGFONTW lfDefaultFont;
    LOGFONTW lfAnsiVarFont;
    LOGFONTW lfAnsiFixFont;
    ULONG cFonts;
    ULONG iDitherFormat;
    USHORT cxDither;
    USHORT cyDither;
    HPALETTE hpalDefault;
    FLONG flGraphicsCaps2;
};

// Function indices of the hooked document and page calls.
constexpr ULONG INDEX_DrvEscape = 24;
constexpr ULONG INDEX_DrvSendPage = 32;
constexpr ULONG INDEX_DrvEndDoc = 34;
constexpr ULONG INDEX_DrvStartDoc = 35;
constexpr ULONG INDEX_DrvNextBand = 58;

constexpr ULONG PAL_BGR = 0x08;

using PFN_DrvStartDoc = BOOL(APIENTRY*)(SURFOBJ* surface, LPWSTR docName, DWORD jobId);
using PFN_DrvEndDoc = BOOL(APIENTRY*)(SURFOBJ* surface, FLONG flags);
using PFN_DrvSendPage = BOOL(APIENTRY*)(SURFOBJ* surface);
using PFN_DrvNextBand = BOOL(APIENTRY*)(SURFOBJ* surface, POINTL* point);
using PFN_DrvEscape = ULONG(APIENTRY*)(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in,
                                       ULONG outSize, PVOID out);

// ---- Device object and parameter blocks ----

struct DEVOBJ;
using PDEVOBJ = DEVOBJ*;
using PDEVOEM = PVOID;

// The host's service table of the device object.
struct DRVPROCS {
    DWORD(APIENTRY* DrvWriteSpoolBuf)(PDEVOBJ device, PVOID buffer, DWORD size);
    INT(APIENTRY* DrvXMoveTo)(PDEVOBJ device, INT x, DWORD flags);
    INT(APIENTRY* DrvYMoveTo)(PDEVOBJ device, INT y, DWORD flags);
    BOOL(APIENTRY* DrvGetDriverSetting)
    (PVOID driver, PCSTR feature, PVOID output, DWORD size, PDWORD needed, PDWORD options);
    BOOL(APIENTRY* BGetStandardVariable)
    (PDEVOBJ device, DWORD index, PVOID buffer, DWORD size, PDWORD needed);
    BOOL(APIENTRY* DrvGetGPDData)
    (PDEVOBJ device, DWORD type, PVOID input, PVOID buffer, DWORD size, PDWORD needed);
    BOOL(APIENTRY* DrvUniTextOut)
    (SURFOBJ*, PVOID, PVOID, PVOID, RECTL*, RECTL*, PVOID, PVOID, POINTL*, MIX);
    DWORD(APIENTRY* DrvWriteAbortBuf)(PDEVOBJ device, PVOID buffer, DWORD size, DWORD wait);
};

struct DEVOBJ {
    DWORD dwSize;
    PDEVOEM pdevOEM;
    HANDLE hEngine;
    HANDLE hPrinter;
    HANDLE hOEM;
    PDEVMODEW pPublicDM;
    PVOID pOEMDM;
    DRVPROCS* pDrvProcs;
};

struct OEMDMPARAM {
    DWORD cbSize;
    PVOID pdriverobj;
    HANDLE hPrinter;
    HANDLE hModule;
    PDEVMODEW pPublicDMIn;
    PDEVMODEW pPublicDMOut;
    PVOID pOEMDMIn;
    PVOID pOEMDMOut;
    DWORD cbBufSize;
};
using POEMDMPARAM = OEMDMPARAM*;

constexpr DWORD OEMDM_SIZE = 1;
constexpr DWORD OEMDM_DEFAULT = 2;
constexpr DWORD OEMDM_CONVERT = 3;
constexpr DWORD OEMDM_MERGE = 4;
constexpr DWORD OEMGI_GETSIGNATURE = 1;
constexpr DWORD OEMGI_GETVERSION = 3;

struct IPPARAMS {
    DWORD dwSize;
    POINT ptOffset;
    PSTR pHalftoneOption;
    BOOL bBanding;
    BOOL bBlankBand;
};
using PIPPARAMS = IPPARAMS*;

struct OEMMEMORYUSAGE {
    DWORD dwFixedMemoryUsage;
    DWORD dwPercentMemoryUsage;
    DWORD dwMaxBandSize;
};
using POEMMEMORYUSAGE = OEMMEMORYUSAGE*;

struct UNIFONTOBJ;
struct FINVOCATION;
struct STROBJ;
struct FONTOBJ;
struct CLIPOBJ;
struct BRUSHOBJ;

// ---- Interfaces ----

namespace host {
// The class under which the host asks for a render plug-in.
inline constexpr GUID kClsidRenderPlugin = {
    0x6D6ABF26, 0x9F38, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
inline constexpr GUID kIidPrintOemUni2 = {
    0xB91220AC, 0x15CC, 0x4E7A, {0xA2, 0x1E, 0x95, 0x91, 0xF3, 0x4D, 0x6F, 0x6C}};
inline constexpr GUID kIidPrintOemDriverUni = {
    0xD67EBBF1, 0x78BF, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
}  // namespace host

// The host's helper interface handed to PublishDriverInterface.
struct IPrintOemDriverUni : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID driver, PCSTR feature, PVOID output,
                                                          DWORD size, PDWORD needed,
                                                          PDWORD options) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ device, PVOID buffer, DWORD size,
                                                       DWORD* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvXMoveTo(PDEVOBJ device, INT x, DWORD flags,
                                                 INT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvYMoveTo(PDEVOBJ device, INT y, DWORD flags,
                                                 INT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvGetStandardVariable(PDEVOBJ device, DWORD index,
                                                             PVOID buffer, DWORD size,
                                                             PDWORD needed) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvGetGPDData(PDEVOBJ device, DWORD type, PVOID input,
                                                    PVOID buffer, DWORD size, PDWORD needed) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvUniTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*,
                                                    RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvWriteAbortBuf(PDEVOBJ device, PVOID buffer, DWORD size,
                                                       DWORD wait) = 0;
};

// The render plug-in interface, slots in host order.
struct IPrintOemUni2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInfo(DWORD mode, PVOID buffer, DWORD size,
                                              PDWORD needed) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevMode(DWORD mode, POEMDMPARAM param) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableDriver(DWORD driverVersion, DWORD size,
                                                   DRVENABLEDATA* enableData) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableDriver() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ device, PWSTR printerName, ULONG patterns,
                                                 HSURF* patternSurfaces, ULONG gdiInfoSize,
                                                 GDIINFO* gdiInfo, ULONG devInfoSize,
                                                 DEVINFO* devInfo, DRVENABLEDATA* enableData,
                                                 PDEVOEM* devOem) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ device) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ oldDevice, PDEVOBJ newDevice) = 0;
    virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* hostObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImplementedMethod(PSTR methodName) = 0;
    virtual HRESULT STDMETHODCALLTYPE DriverDMS(PVOID device, PVOID buffer, DWORD size,
                                                PDWORD needed) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommandCallback(PDEVOBJ device, DWORD callbackId, DWORD count,
                                                      PDWORD params, INT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE ImageProcessing(PDEVOBJ device, PBYTE bits,
                                                      PBITMAPINFOHEADER header, PBYTE colorTable,
                                                      DWORD callbackId, PIPPARAMS params,
                                                      PBYTE* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FilterGraphics(PDEVOBJ device, PBYTE buffer,
                                                     DWORD length) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compression(PDEVOBJ device, PBYTE in, PBYTE out,
                                                  DWORD inLength, DWORD outLength, INT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE HalftonePattern(PDEVOBJ device, PBYTE pattern, DWORD patternX,
                                                      DWORD patternY, DWORD patterns,
                                                      DWORD callbackId, PBYTE resource,
                                                      DWORD resourceSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE MemoryUsage(PDEVOBJ device, POEMMEMORYUSAGE usage) = 0;
    virtual HRESULT STDMETHODCALLTYPE DownloadFontHeader(PDEVOBJ device, UNIFONTOBJ* font,
                                                         DWORD* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DownloadCharGlyph(PDEVOBJ device, UNIFONTOBJ* font,
                                                        HGLYPH glyph, PDWORD width,
                                                        DWORD* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE TTDownloadMethod(PDEVOBJ device, UNIFONTOBJ* font,
                                                       DWORD* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE OutputCharStr(PDEVOBJ device, UNIFONTOBJ* font, DWORD type,
                                                    DWORD count, PVOID glyphs) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendFontCmd(PDEVOBJ device, UNIFONTOBJ* font,
                                                  FINVOCATION* invocation) = 0;
    virtual HRESULT STDMETHODCALLTYPE TextOutAsBitmap(SURFOBJ* surface, STROBJ* text, FONTOBJ* font,
                                                      CLIPOBJ* clip, RECTL* extra, RECTL* opaque,
                                                      BRUSHOBJ* foreground, BRUSHOBJ* background,
                                                      POINTL* origin, MIX mix) = 0;
    virtual HRESULT STDMETHODCALLTYPE TTYGetInfo(PDEVOBJ device, DWORD index, PVOID output,
                                                 DWORD size, DWORD* needed) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPDEVAdjustment(PDEVOBJ device, DWORD adjustType,
                                                        PVOID buffer, DWORD size,
                                                        BOOL* adjusted) = 0;
    virtual HRESULT STDMETHODCALLTYPE WritePrinter(PDEVOBJ device, PVOID buffer, DWORD size,
                                                   PDWORD written) = 0;
};
