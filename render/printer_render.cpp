#include "render/printer_render.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "host/alloc.h"
#include "host/spooler.h"
#include "host/trace.h"
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

void PrinterRender::TracePageHeader() const {
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
    const OemPdev& p = *m_pOemPDEV;
    host::TraceF(
        "pOemPDEV: pBufStart=0x%x; dwBufSize = %d; cPalColors = %d; cbHeaderOffBits = %d; "
        "bHeadersFilled = %d; bColorTable = %d; ",
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p.BufferStart())),
        static_cast<int>(p.dwBufSize), static_cast<int>(p.cPalColors),
        static_cast<int>(p.cbHeaderOffBits), static_cast<int>(p.bHeadersFilled),
        static_cast<int>(p.bColorTable));
    host::Trace("bfType = 0; bfSize = 0; bfReserved1 = 0; bfReserved2 = 0; bfOffBits = 0; ");
    const BITMAPINFOHEADER& h = p.bmInfoHeader;
    host::TraceF(
        "bmInfoHeader: biSize = %d; biWidth = %d; biHeight = %d; biPlanes = %d; biBitCount = %d; "
        "biCompression = %d; biSizeImage = %d; biXPelsPerMeter = %d; biYPelsPerMeter = %d;  "
        "biClrUsed = %d; biClrImportant = %d; ",
        static_cast<int>(h.biSize), h.biWidth, h.biHeight, h.biPlanes, h.biBitCount,
        static_cast<int>(h.biCompression), static_cast<int>(h.biSizeImage), h.biXPelsPerMeter,
        h.biYPelsPerMeter, static_cast<int>(h.biClrUsed), static_cast<int>(h.biClrImportant));
    host::TraceF("Halftone: iGrayMethod = %d; iThreValue = %d; iLiangdu = %d; iDuibidu = %d;",
                 m_halftone.iGrayMethod, m_halftone.iThreValue, m_halftone.iLiangdu,
                 m_halftone.iDuibidu);
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
    m_image.SetResolution(h.biXPelsPerMeter, h.biYPelsPerMeter);

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
    TracePageHeader();
    if (!m_pOemPDEV->bPageFailed && LoadPageImage()) {
        PreparePageRaster(m_image, m_device, m_halftone, m_pOemPDEV->bmInfoHeader.biBitCount);
        EncodePage();
    }
    EndPage();
}

void PrinterRender::EndPage() {
    m_image.Destroy();
    if (m_pOemPDEV)
        m_pOemPDEV->ResetPage();
}

void PrinterRender::WriteSpool(const void* bytes, LONG count) {
    if (count <= 0 || !m_pDevObj || !m_pDevObj->pDrvProcs ||
        !m_pDevObj->pDrvProcs->DrvWriteSpoolBuf) {
        return;
    }
    m_pDevObj->pDrvProcs->DrvWriteSpoolBuf(m_pDevObj, const_cast<void*>(bytes),
                                           static_cast<DWORD>(count));
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
    OpenPrinterFromHandle(devObj->hPrinter, &own);
    LoadSettingsRecords(own, render->m_settings);
    if (own)
        host::CurrentSpooler().ClosePrinter(own);
    render->TakeSettings();
    oemPdev->render = render;
    render->AddRef();
    return render;
}
