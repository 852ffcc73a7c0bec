#include "render/printer_render.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "host/alloc.h"
#include "host/diagnostics.h"
#include "host/spooler.h"
#include "host/trace.h"
#include "render/cpcl_render.h"
#include "render/escpos_render.h"
#include "render/paperang_render.h"
#include "render/prepare_page.h"
#include "render/tspl_render.h"

namespace {

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

PrinterRender* CreateWriter(const std::u16string& language) {
    if (language == u"tspl")
        return new (std::nothrow) TsplRender;
    if (language == u"escpos")
        return new (std::nothrow) EscPosRender;
    if (language == u"cpcl")
        return new (std::nothrow) CpclRender;
    if (language == u"paperang")
        return new (std::nothrow) PaperangRender;
    return nullptr;
}

DWORD RowStride(LONG width, WORD bits) {
    DWORD w = static_cast<DWORD>(width);
    switch (bits) {
        case 1:
            return (((w + 7) / 8 + 3) / 4) * 4;
        case 8:
            return ((w + 3) / 4) * 4;
        case 24:
            return ((3 * w + 3) / 4) * 4;
        default:
            return ((w * bits + 31) / 32) * 4;
    }
}

}  // namespace

PrinterRender::PrinterRender()
    : m_createdTime(host::LocalTime()), m_pageTime(m_createdTime), m_log(m_createdTime) {}

ULONG PrinterRender::AddRef() {
    return InterlockedIncrement(&m_cRef);
}

ULONG PrinterRender::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return count;
}

PrinterRender::~PrinterRender() {
    host::Trace("destroy printer render");
}

int DpiClassOf(LONG dpi) {
    if (dpi > 299)
        return dpi < 600 ? 300 : 600;
    return 200;
}

void PrinterRender::TakeSettings() {
    m_device = m_settings.Device();
    m_halftone = m_settings.Halftone();
    m_watermark = m_settings.Watermark();
}

void PrinterRender::Report(std::string_view line) {
    host::Trace(line);
    Log(line);
}

void PrinterRender::ReportF(const char* format, ...) {
    char line[260];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Report(line);
}

void PrinterRender::Log(std::string_view text) {
    if (Debugging())
        m_log.Write(text);
}

void PrinterRender::ReportPageHeader() {
    const DEVMODEW* dm = m_pDevObj->pPublicDM;
    if (dm) {
        if (dm->dmFields & DM_PAPERSIZE) {
            host::Trace("m_pDevObj->pPublicDM->dmFields & DM_PAPERSIZE) == DM_PAPERSIZE");
        }
        if (dm->dmFields & DM_PAPERLENGTH) {
            host::Trace("m_pDevObj->pPublicDM->dmFields & DM_PAPERLENGTH) == DM_PAPERLENGTH");
        }
        if (dm->dmFields & DM_PAPERWIDTH) {
            host::Trace("m_pDevObj->pPublicDM->dmFields & DM_PAPERWIDTH) == DM_PAPERWIDTH");
        }
        host::TraceF("m_pDevObj->pPublicDM %d %d %d", dm->dmPaperSize, dm->dmPaperWidth,
                     dm->dmPaperLength);
    }
    if (const auto* oem = static_cast<const OemPrivateDevmode*>(m_pDevObj->pOEMDM)) {
        host::TraceF("m_pDevObj->pOEMDM->dwDriverData %d", oem->dwDriverData);
    }
    Log("-------------------------Printer Render Begin Rendering-----------------------------");
    const OemPdev& p = *m_pOemPDEV;
    ReportF(
        "pOemPDEV: pBufStart=0x%x; dwBufSize = %d; cPalColors = %d; cbHeaderOffBits = %d; "
        "bHeadersFilled = %d; bColorTable = %d; ",
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p.BufferStart())),
        static_cast<int>(p.dwBufSize), static_cast<int>(p.cPalColors),
        static_cast<int>(p.cbHeaderOffBits), static_cast<int>(p.bHeadersFilled),
        static_cast<int>(p.bColorTable));
    // The device record keeps a file header that nothing fills.
    ReportF("bfType = %x; bfSize = %x; bfReserved1 = %x; bfReserved2 = %x; bfOffBits = %x; ", 0, 0,
            0, 0, 0);
    const BITMAPINFOHEADER& h = p.bmInfoHeader;
    ReportF(
        "bmInfoHeader: biSize = %d; biWidth = %d; biHeight = %d; biPlanes = %d; biBitCount = %d; "
        "biCompression = %d; biSizeImage = %d; biXPelsPerMeter = %d; biYPelsPerMeter = %d;  "
        "biClrUsed = %d; biClrImportant = %d; ",
        static_cast<int>(h.biSize), static_cast<int>(h.biWidth), static_cast<int>(h.biHeight),
        h.biPlanes, h.biBitCount, static_cast<int>(h.biCompression),
        static_cast<int>(h.biSizeImage), static_cast<int>(h.biXPelsPerMeter),
        static_cast<int>(h.biYPelsPerMeter), static_cast<int>(h.biClrUsed),
        static_cast<int>(h.biClrImportant));
    ReportF("Halftone: iGrayMethod = %d; iThreValue = %d; iLiangdu = %d; iDuibidu = %d;",
            m_halftone.iGrayMethod, m_halftone.iThreValue, m_halftone.iLiangdu,
            m_halftone.iDuibidu);
    if (Debugging()) {
        char line[64];
        std::snprintf(line, sizeof line, "dmOrientation = %d", dm ? dm->dmOrientation : 0);
        Log(line);
    }
}

// Builds the page image from the collected bands, freeing each band once its rows are in.
// Only whole rows that the bands really hold are taken, whatever the headers claim.
bool PrinterRender::LoadPageImage() {
    OemPdev& p = *m_pOemPDEV;
    const BITMAPINFOHEADER& h = p.bmInfoHeader;
    WORD bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        host::TraceF("page dropped: bands of %d bits per pixel are not supported", bits);
        return false;
    }
    if (h.biWidth <= 0 || p.dwBufSize == 0)
        return false;
    DWORD stride = RowStride(h.biWidth, bits);
    DWORD rows =
        std::min<DWORD>(static_cast<DWORD>(std::max<LONG>(h.biHeight, 0)), p.dwBufSize / stride);
    if (rows == 0 || !m_image.Create(static_cast<DWORD>(h.biWidth), rows, bits)) {
        host::TraceF("page dropped: %s", rows ? m_image.LastError() : "no complete row");
        return false;
    }
    if (bits < 24)
        m_image.FillGrayPalette();
    m_image.SetResolution(h.biXPelsPerMeter, static_cast<int>(h.biYPelsPerMeter));

    DWORD copy = std::min(stride, m_image.Stride());
    DWORD row = 0;
    std::vector<BYTE> carry;  // a row split across two bands
    for (PageBand& band : p.bands) {
        const BYTE* src = band.bytes;
        DWORD left = band.size;
        if (!carry.empty()) {
            DWORD take = std::min<DWORD>(stride - static_cast<DWORD>(carry.size()), left);
            carry.insert(carry.end(), src, src + take);
            src += take;
            left -= take;
            if (carry.size() == stride && row < rows) {
                std::memcpy(m_image.RowPointer(row++), carry.data(), copy);
                carry.clear();
            }
        }
        for (; left >= stride && row < rows; left -= stride, src += stride) {
            std::memcpy(m_image.RowPointer(row++), src, copy);
        }
        if (left && row < rows)
            carry.assign(src, src + left);
        host::FreeBlock(band.bytes);
        band.bytes = nullptr;
        band.size = 0;
    }
    return true;
}

void PrinterRender::RenderPage() {
    if (!m_pOemPDEV || !m_pDevObj) {
        host::Trace("!m_pOemPDEV || !m_pDevObj");
        return;
    }
    if (!bJobBegun) {
        BeginJob();
        bJobBegun = true;
    }
    dpiClass = DpiClassOf(m_pOemPDEV->bmInfoHeader.biXPelsPerMeter);
    ReportPageHeader();
    if (!m_pOemPDEV->bPageFailed && LoadPageImage()) {
        if (Debugging()) {
            host::CreateDiagnosticsFolder();
            m_pageTime = host::LocalTime();
            SavePageDump(".begin.bmp");
        }
        PageSetup setup{m_device, m_halftone, m_watermark, IsLandscape(m_pDevObj->pPublicDM),
                        m_pOemPDEV->bmInfoHeader.biBitCount};
        if (PreparePageRaster(m_image, setup)) {
            EncodePage();
        } else {
            host::Trace("page dropped: no black and white page could be made");
        }
    }
    EndPage();
}

void PrinterRender::SavePageDump(const char* suffix) {
    std::vector<BYTE> bmp;
    if (!m_image.EncodeBmp(&bmp))
        return;
    std::FILE* file = host::OpenDiagnosticsFile(DiagnosticsFileName(m_pageTime, suffix));
    if (!file)
        return;
    std::fwrite(bmp.data(), 1, bmp.size(), file);
    std::fclose(file);
}

void PrinterRender::EndPage() {
    if (Debugging()) {
        const BITMAPINFOHEADER& h = m_image.Header();
        char line[400];
        std::snprintf(line, sizeof line,
                      "Bitmap Header: biSize = %d; biWidth = %d; biHeight = %d; biPlanes = %d; "
                      "biBitCount = %d; biCompression = %d; biSizeImage = %d; biXPelsPerMeter = "
                      "%d; biYPelsPerMeter = %d; biClrUsed = %d; biClrImportant = %d;",
                      static_cast<int>(h.biSize), static_cast<int>(h.biWidth),
                      static_cast<int>(h.biHeight), h.biPlanes, h.biBitCount,
                      static_cast<int>(h.biCompression), static_cast<int>(h.biSizeImage),
                      static_cast<int>(h.biXPelsPerMeter), static_cast<int>(h.biYPelsPerMeter),
                      static_cast<int>(h.biClrUsed), static_cast<int>(h.biClrImportant));
        Log(line);
        if (m_image.IsValid())
            SavePageDump(".end.bmp");
        Log("-------------------------Printer Render End Rendering-----------------------------");
    }
    m_image.Destroy();
    if (m_pOemPDEV)
        m_pOemPDEV->ResetPage();
}

bool PrinterRender::SendToSpool(const void* bytes, DWORD count) {
    if (!m_pDevObj || !m_pDevObj->pDrvProcs || !m_pDevObj->pDrvProcs->DrvWriteSpoolBuf)
        return false;
    m_pDevObj->pDrvProcs->DrvWriteSpoolBuf(m_pDevObj, const_cast<void*>(bytes), count);
    return true;
}

void PrinterRender::WriteSpool(const void* bytes, LONG count) {
    if (count <= 0 || !SendToSpool(bytes, static_cast<DWORD>(count)))
        return;
    if (Debugging())
        m_log.Write(SpoolLogEntry(bytes, count, false));
}

PrinterRender* AcquireRender(DEVOBJ* devObj, OemPdev* oemPdev) {
    if (!devObj || !oemPdev)
        return nullptr;
    if (oemPdev->render) {
        oemPdev->render->AddRef();
        return oemPdev->render;
    }
    std::u16string language;
    ReadPrintLanguage(devObj->hPrinter, language);
    PrinterRender* render = CreateWriter(language);
    if (!render) {
        host::Trace("Unknow printer command type : " + Narrow(language));
        return nullptr;
    }
    render->m_pOemPDEV = oemPdev;
    render->m_pDevObj = devObj;
    HANDLE own = nullptr;
    // A user who may print but not manage the printer cannot open it with full access;
    // reading needs no more than the host's own handle, so the user's settings still apply.
    bool opened = OpenPrinterFromHandle(devObj->hPrinter, &own);
    LoadSettingsRecords(opened ? own : devObj->hPrinter, render->m_settings);
    if (own)
        host::CurrentSpooler().ClosePrinter(own);
    render->TakeSettings();
    oemPdev->render = render;
    render->AddRef();
    return render;
}
