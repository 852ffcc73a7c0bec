#include "host/win/win32_spooler.h"

namespace host {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// Several winspool prototypes take non-const strings they never write.
LPWSTR W(const char16_t* text) {
    return const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(text));
}

}  // namespace

BOOL Win32Spooler::OpenPrinterW(const char16_t* name, HANDLE* handle, DWORD access) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    return ::OpenPrinterW(W(name), handle, &defaults);
}

BOOL Win32Spooler::ClosePrinter(HANDLE printer) {
    return ::ClosePrinter(printer);
}

BOOL Win32Spooler::GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size,
                               DWORD* needed) {
    return ::GetPrinterW(printer, level, buffer, size, needed);
}

BOOL Win32Spooler::SetPrinterW(HANDLE printer, DWORD level, BYTE* info, DWORD command) {
    return ::SetPrinterW(printer, level, info, command);
}

BOOL Win32Spooler::GetPrinterDriverW(HANDLE printer, const char16_t* environment, DWORD level,
                                     BYTE* buffer, DWORD size, DWORD* needed) {
    return ::GetPrinterDriverW(printer, W(environment), level, buffer, size, needed);
}

DWORD Win32Spooler::GetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value,
                                      DWORD* type, BYTE* data, DWORD size, DWORD* needed) {
    return ::GetPrinterDataExW(printer, W(key), W(value), type, data, size, needed);
}

DWORD Win32Spooler::SetPrinterDataW(HANDLE printer, const char16_t* value, DWORD type,
                                    const BYTE* data, DWORD size) {
    return ::SetPrinterDataW(printer, W(value), type, const_cast<BYTE*>(data), size);
}

DWORD Win32Spooler::SetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value,
                                      DWORD type, const BYTE* data, DWORD size) {
    return ::SetPrinterDataExW(printer, W(key), W(value), type, const_cast<BYTE*>(data), size);
}

BOOL Win32Spooler::GetFormW(HANDLE printer, const char16_t* form, DWORD level, BYTE* buffer,
                            DWORD size, DWORD* needed) {
    return ::GetFormW(printer, W(form), level, buffer, size, needed);
}

BOOL Win32Spooler::SetFormW(HANDLE printer, const char16_t* form, DWORD level, const BYTE* info) {
    return ::SetFormW(printer, W(form), level, const_cast<BYTE*>(info));
}

BOOL Win32Spooler::AddFormW(HANDLE printer, DWORD level, const BYTE* info) {
    return ::AddFormW(printer, level, const_cast<BYTE*>(info));
}

BOOL Win32Spooler::DeleteFormW(HANDLE printer, const char16_t* form) {
    return ::DeleteFormW(printer, W(form));
}

int Win32Spooler::DeviceCapabilitiesW(const char16_t* device, const char16_t* port, WORD capability,
                                      void* output, const DEVMODEW* devmode) {
    return ::DeviceCapabilitiesW(W(device), W(port), capability, static_cast<LPWSTR>(output),
                                 devmode);
}

BOOL Win32Spooler::EnumPrintersW(DWORD flags, const char16_t* name, DWORD level, BYTE* buffer,
                                 DWORD size, DWORD* needed, DWORD* returned) {
    return ::EnumPrintersW(flags, W(name), level, buffer, size, needed, returned);
}

BOOL Win32Spooler::EnumPrinterDriversW(const char16_t* server, const char16_t* environment,
                                       DWORD level, BYTE* buffer, DWORD size, DWORD* needed,
                                       DWORD* returned) {
    return ::EnumPrinterDriversW(W(server), W(environment), level, buffer, size, needed, returned);
}

BOOL Win32Spooler::EnumPortsW(const char16_t* server, DWORD level, BYTE* buffer, DWORD size,
                              DWORD* needed, DWORD* returned) {
    return ::EnumPortsW(W(server), level, buffer, size, needed, returned);
}

BOOL Win32Spooler::GetPrinterDriverDirectoryW(const char16_t* server, const char16_t* environment,
                                              DWORD level, BYTE* buffer, DWORD size,
                                              DWORD* needed) {
    return ::GetPrinterDriverDirectoryW(W(server), W(environment), level, buffer, size, needed);
}

BOOL Win32Spooler::AddPrinterDriverW(const char16_t* server, DWORD level, BYTE* info) {
    return ::AddPrinterDriverW(W(server), level, info);
}

BOOL Win32Spooler::AddPrinterDriverExW(const char16_t* server, DWORD level, BYTE* info,
                                       DWORD flags) {
    return ::AddPrinterDriverExW(W(server), level, info, flags);
}

BOOL Win32Spooler::DeletePrinterDriverExW(const char16_t* server, const char16_t* environment,
                                          const char16_t* driver, DWORD deleteFlags,
                                          DWORD versionFlag) {
    return ::DeletePrinterDriverExW(W(server), W(environment), W(driver), deleteFlags, versionFlag);
}

// Present in winspool from Windows Vista on, and absent from some implementations of it.
HRESULT Win32Spooler::DeletePrinterDriverPackageW(const char16_t* server, const char16_t* infPath,
                                                  const char16_t* environment) {
    using Fn = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR);
    static const Fn deletePackage = [] {
        HMODULE winspool = GetModuleHandleW(L"winspool.drv");
        return winspool ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(
                              GetProcAddress(winspool, "DeletePrinterDriverPackageW")))
                        : nullptr;
    }();
    if (!deletePackage)
        return E_NOTIMPL;
    return deletePackage(W(server), W(infPath), W(environment));
}

HANDLE Win32Spooler::AddPrinterW(const char16_t* server, DWORD level, BYTE* info) {
    return ::AddPrinterW(W(server), level, info);
}

BOOL Win32Spooler::DeletePrinter(HANDLE printer) {
    return ::DeletePrinter(printer);
}

BOOL Win32Spooler::SetDefaultPrinterW(const char16_t* name) {
    return ::SetDefaultPrinterW(W(name));
}

BOOL Win32Spooler::GetDefaultPrinterW(char16_t* buffer, DWORD* size) {
    return ::GetDefaultPrinterW(reinterpret_cast<LPWSTR>(buffer), size);
}

LONG Win32Spooler::DocumentPropertiesW(HWND window, HANDLE printer, const char16_t* device,
                                       DEVMODEW* output, const DEVMODEW* input, DWORD mode) {
    return ::DocumentPropertiesW(window, printer, W(device), output, const_cast<DEVMODEW*>(input),
                                 mode);
}

DWORD Win32Spooler::StartDocPrinterW(HANDLE printer, DWORD level, BYTE* docInfo) {
    return ::StartDocPrinterW(printer, level, docInfo);
}

BOOL Win32Spooler::WritePrinter(HANDLE printer, const void* data, DWORD size, DWORD* written) {
    return ::WritePrinter(printer, const_cast<void*>(data), size, written);
}

BOOL Win32Spooler::EndDocPrinter(HANDLE printer) {
    return ::EndDocPrinter(printer);
}

BOOL Win32Spooler::EnumJobsW(HANDLE printer, DWORD firstJob, DWORD count, DWORD level, BYTE* buffer,
                             DWORD size, DWORD* needed, DWORD* returned) {
    return ::EnumJobsW(printer, firstJob, count, level, buffer, size, needed, returned);
}

}  // namespace host
