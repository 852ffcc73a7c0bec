// The print spooler as the system sees it: printers, printer data, forms, drivers, ports
// and jobs. Every operation has the shape, results and last-error behaviour of the Win32
// call of the same name; texts are UTF-16 (char16_t) here and converted at the adapter.
#pragma once

#include "host/win32_types.h"

namespace host {

class Spooler {
  public:
    virtual ~Spooler() = default;

    // Printer handles. access is the DesiredAccess of the open (no data type, no DEVMODE).
    virtual BOOL OpenPrinterW(const char16_t* name, HANDLE* handle, DWORD access) = 0;
    virtual BOOL ClosePrinter(HANDLE printer) = 0;

    // Printer information: levels 2, 4 and 7 where the Win32 call has them.
    virtual BOOL GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size,
                             DWORD* needed) = 0;
    virtual BOOL SetPrinterW(HANDLE printer, DWORD level, BYTE* info, DWORD command) = 0;
    virtual BOOL GetPrinterDriverW(HANDLE printer, const char16_t* environment, DWORD level,
                                   BYTE* buffer, DWORD size, DWORD* needed) = 0;

    // Printer data. The Set*/Get* results are status codes (ERROR_SUCCESS on success), as
    // in Win32; SetPrinterDataW stores under "PrinterDriverData".
    virtual DWORD GetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value,
                                    DWORD* type, BYTE* data, DWORD size, DWORD* needed) = 0;
    virtual DWORD SetPrinterDataW(HANDLE printer, const char16_t* value, DWORD type,
                                  const BYTE* data, DWORD size) = 0;
    virtual DWORD SetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value,
                                    DWORD type, const BYTE* data, DWORD size) = 0;

    // Forms, level 1 (FORM_INFO_1W, thousandths of a millimetre).
    virtual BOOL GetFormW(HANDLE printer, const char16_t* form, DWORD level, BYTE* buffer,
                          DWORD size, DWORD* needed) = 0;
    virtual BOOL SetFormW(HANDLE printer, const char16_t* form, DWORD level, const BYTE* info) = 0;
    virtual BOOL AddFormW(HANDLE printer, DWORD level, const BYTE* info) = 0;
    virtual BOOL DeleteFormW(HANDLE printer, const char16_t* form) = 0;
    // DC_PAPERNAMES (64 units a name), DC_PAPERS (WORD ids), DC_PAPERSIZE (POINT, tenths of
    // a millimetre); output null asks for the count. -1 on failure.
    virtual int DeviceCapabilitiesW(const char16_t* device, const char16_t* port, WORD capability,
                                    void* output, const DEVMODEW* devmode) = 0;

    // Enumeration.
    virtual BOOL EnumPrintersW(DWORD flags, const char16_t* name, DWORD level, BYTE* buffer,
                               DWORD size, DWORD* needed, DWORD* returned) = 0;
    virtual BOOL EnumPrinterDriversW(const char16_t* server, const char16_t* environment,
                                     DWORD level, BYTE* buffer, DWORD size, DWORD* needed,
                                     DWORD* returned) = 0;
    virtual BOOL EnumPortsW(const char16_t* server, DWORD level, BYTE* buffer, DWORD size,
                            DWORD* needed, DWORD* returned) = 0;

    // Drivers.
    virtual BOOL GetPrinterDriverDirectoryW(const char16_t* server, const char16_t* environment,
                                            DWORD level, BYTE* buffer, DWORD size,
                                            DWORD* needed) = 0;
    virtual BOOL AddPrinterDriverW(const char16_t* server, DWORD level, BYTE* info) = 0;
    virtual BOOL AddPrinterDriverExW(const char16_t* server, DWORD level, BYTE* info,
                                     DWORD flags) = 0;
    virtual BOOL DeletePrinterDriverExW(const char16_t* server, const char16_t* environment,
                                        const char16_t* driver, DWORD deleteFlags,
                                        DWORD versionFlag) = 0;
    // Looked up at run time on Windows; E_NOTIMPL where the spooler lacks it.
    virtual HRESULT DeletePrinterDriverPackageW(const char16_t* server, const char16_t* infPath,
                                                const char16_t* environment) = 0;

    // Printers.
    virtual HANDLE AddPrinterW(const char16_t* server, DWORD level, BYTE* info) = 0;
    virtual BOOL DeletePrinter(HANDLE printer) = 0;
    virtual BOOL SetDefaultPrinterW(const char16_t* name) = 0;
    virtual BOOL GetDefaultPrinterW(char16_t* buffer, DWORD* size) = 0;
    // mode DM_OUT_BUFFER / DM_IN_BUFFER / DM_PROMPT; with mode 0 returns the DEVMODE size.
    virtual LONG DocumentPropertiesW(HWND window, HANDLE printer, const char16_t* device,
                                     DEVMODEW* output, const DEVMODEW* input, DWORD mode) = 0;

    // Jobs written straight to a printer (RAW data), and their listing.
    virtual DWORD StartDocPrinterW(HANDLE printer, DWORD level, BYTE* docInfo) = 0;
    virtual BOOL WritePrinter(HANDLE printer, const void* data, DWORD size, DWORD* written) = 0;
    virtual BOOL EndDocPrinter(HANDLE printer) = 0;
    virtual BOOL EnumJobsW(HANDLE printer, DWORD firstJob, DWORD count, DWORD level, BYTE* buffer,
                           DWORD size, DWORD* needed, DWORD* returned) = 0;
};

// The spooler the plug-ins talk to: the platform's on Windows; natively a process-wide
// in-memory spooler unless a test or the simulated host installs another.
Spooler& CurrentSpooler();
void SetCurrentSpooler(Spooler* spooler);  // null restores the default

}  // namespace host
