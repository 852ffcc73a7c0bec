// zendor-render-config.dll: the configuration file of zendor-render's printer driver. The
// spooler loads a driver's configuration file when it creates a printer and asks it for the
// default DEVMODE; this one answers with a bare public DEVMODE and has no pages.
#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

// The spooler's request block of DrvDocumentPropertySheets, as documented.
struct DocumentPropertyHeader {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
};

}  // namespace

extern "C" LONG WINAPI DrvDocumentPropertySheets(void* sheetInfo, LPARAM lParam) {
    auto* header = reinterpret_cast<DocumentPropertyHeader*>(lParam);
    if (sheetInfo || !header)
        return -1;  // no property sheet to show
    header->cbOut = sizeof(DEVMODEW);
    if (header->fMode == 0 || !header->pdmOut)
        return sizeof(DEVMODEW);
    DEVMODEW devmode{};
    if ((header->fMode & DM_IN_BUFFER) && header->pdmIn)
        std::memcpy(&devmode, header->pdmIn,
                    std::min<std::size_t>(sizeof devmode, header->pdmIn->dmSize));
    if (header->pszPrinterName)
        lstrcpynW(devmode.dmDeviceName, header->pszPrinterName, CCHDEVICENAME);
    devmode.dmSpecVersion = DM_SPECVERSION;
    devmode.dmSize = sizeof devmode;
    devmode.dmDriverExtra = 0;
    *header->pdmOut = devmode;
    return 1;
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE, PWSTR, WORD capability, void*, PDEVMODEW) {
    return capability == DC_SIZE ? sizeof(DEVMODEW) : 0;
}
