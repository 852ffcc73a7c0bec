// The spooler seam on the platform's own spooler: each operation is the winspool call of the
// same name. UTF-16 texts pass through unchanged (char16_t and wchar_t are both 16 bits here).
#pragma once

#include "host/spooler.h"

namespace host {

class Win32Spooler final : public Spooler {
  public:
    BOOL OpenPrinterW(const char16_t* name, HANDLE* handle, DWORD access) override;
    BOOL ClosePrinter(HANDLE printer) override;
    BOOL GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
    BOOL SetPrinterW(HANDLE printer, DWORD level, BYTE* info, DWORD command) override;
    BOOL GetPrinterDriverW(HANDLE printer, const char16_t* environment, DWORD level, BYTE* buffer,
                           DWORD size, DWORD* needed) override;
    DWORD GetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value, DWORD* type,
                            BYTE* data, DWORD size, DWORD* needed) override;
    DWORD SetPrinterDataW(HANDLE printer, const char16_t* value, DWORD type, const BYTE* data,
                          DWORD size) override;
    DWORD SetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value, DWORD type,
                            const BYTE* data, DWORD size) override;
    BOOL GetFormW(HANDLE printer, const char16_t* form, DWORD level, BYTE* buffer, DWORD size,
                  DWORD* needed) override;
    BOOL SetFormW(HANDLE printer, const char16_t* form, DWORD level, const BYTE* info) override;
    BOOL AddFormW(HANDLE printer, DWORD level, const BYTE* info) override;
    BOOL DeleteFormW(HANDLE printer, const char16_t* form) override;
    int DeviceCapabilitiesW(const char16_t* device, const char16_t* port, WORD capability,
                            void* output, const DEVMODEW* devmode) override;
    BOOL EnumPrintersW(DWORD flags, const char16_t* name, DWORD level, BYTE* buffer, DWORD size,
                       DWORD* needed, DWORD* returned) override;
    BOOL EnumPrinterDriversW(const char16_t* server, const char16_t* environment, DWORD level,
                             BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) override;
    BOOL EnumPortsW(const char16_t* server, DWORD level, BYTE* buffer, DWORD size, DWORD* needed,
                    DWORD* returned) override;
    BOOL GetPrinterDriverDirectoryW(const char16_t* server, const char16_t* environment,
                                    DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
    BOOL AddPrinterDriverW(const char16_t* server, DWORD level, BYTE* info) override;
    BOOL AddPrinterDriverExW(const char16_t* server, DWORD level, BYTE* info, DWORD flags) override;
    BOOL DeletePrinterDriverExW(const char16_t* server, const char16_t* environment,
                                const char16_t* driver, DWORD deleteFlags,
                                DWORD versionFlag) override;
    HRESULT DeletePrinterDriverPackageW(const char16_t* server, const char16_t* infPath,
                                        const char16_t* environment) override;
    HANDLE AddPrinterW(const char16_t* server, DWORD level, BYTE* info) override;
    BOOL DeletePrinter(HANDLE printer) override;
    BOOL SetDefaultPrinterW(const char16_t* name) override;
    BOOL GetDefaultPrinterW(char16_t* buffer, DWORD* size) override;
    LONG DocumentPropertiesW(HWND window, HANDLE printer, const char16_t* device, DEVMODEW* output,
                             const DEVMODEW* input, DWORD mode) override;
    DWORD StartDocPrinterW(HANDLE printer, DWORD level, BYTE* docInfo) override;
    BOOL WritePrinter(HANDLE printer, const void* data, DWORD size, DWORD* written) override;
    BOOL EndDocPrinter(HANDLE printer) override;
    BOOL EnumJobsW(HANDLE printer, DWORD firstJob, DWORD count, DWORD level, BYTE* buffer,
                   DWORD size, DWORD* needed, DWORD* returned) override;
};

}  // namespace host
