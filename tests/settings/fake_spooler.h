// A small in-memory spooler for these tests: printers with a driver name and printer data,
// and the few calls the model database and the initialiser make. Every other call fails
// with ERROR_CALL_NOT_IMPLEMENTED.
#pragma once

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/spooler.h"

class FakeSpooler : public host::Spooler {
  public:
    struct Write {
        std::u16string key;
        std::u16string value;
        DWORD type;
        std::vector<BYTE> data;
    };

    void AddPrinter(const std::u16string& name, const std::u16string& driver) {
        m_drivers[name] = driver;
    }

    std::set<std::u16string> failOpen;    // OpenPrinterW fails with ERROR_ACCESS_DENIED
    bool failGetPrinter = false;          // GetPrinterW fails with ERROR_INVALID_HANDLE
    std::set<std::u16string> failValues;  // SetPrinterDataExW answers ERROR_ACCESS_DENIED
    std::vector<Write> writes;            // every SetPrinterDataExW, in order
    std::vector<DWORD> openAccess;        // access of every open
    int openHandles = 0;

    BOOL OpenPrinterW(const char16_t* name, HANDLE* handle, DWORD access) override {
        openAccess.push_back(access);
        if (!name || !m_drivers.count(name)) {
            SetLastError(ERROR_INVALID_PRINTER_NAME);
            return FALSE;
        }
        if (failOpen.count(name)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        m_handles.push_back(name);
        *handle = reinterpret_cast<HANDLE>(m_handles.size());
        ++openHandles;
        return TRUE;
    }
    BOOL ClosePrinter(HANDLE) override {
        --openHandles;
        return TRUE;
    }
    BOOL GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size,
                     DWORD* needed) override {
        const std::u16string* name = Lookup(printer);
        if (!name || level != 2 || failGetPrinter) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        const std::u16string& driver = m_drivers[*name];
        const DWORD strings = static_cast<DWORD>((name->size() + driver.size() + 2) * 2);
        *needed = sizeof(PRINTER_INFO_2W) + strings;
        if (!buffer || size < *needed) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memset(buffer, 0, *needed);
        auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
        auto* text = reinterpret_cast<char16_t*>(buffer + sizeof(PRINTER_INFO_2W));
        info->pPrinterName = text;
        text = std::copy(name->begin(), name->end(), text) + 1;
        info->pDriverName = text;
        std::copy(driver.begin(), driver.end(), text);
        return TRUE;
    }
    DWORD SetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value, DWORD type,
                            const BYTE* data, DWORD size) override {
        if (!Lookup(printer))
            return ERROR_INVALID_HANDLE;
        writes.push_back(Write{key, value, type, std::vector<BYTE>(data, data + size)});
        return failValues.count(value) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    }

    // The rest is not used by the code under test.
    BOOL SetPrinterW(HANDLE, DWORD, BYTE*, DWORD) override { return No(); }
    BOOL GetPrinterDriverW(HANDLE, const char16_t*, DWORD, BYTE*, DWORD, DWORD*) override {
        return No();
    }
    DWORD GetPrinterDataExW(HANDLE, const char16_t*, const char16_t*, DWORD*, BYTE*, DWORD,
                            DWORD*) override {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    DWORD SetPrinterDataW(HANDLE, const char16_t*, DWORD, const BYTE*, DWORD) override {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    BOOL GetFormW(HANDLE, const char16_t*, DWORD, BYTE*, DWORD, DWORD*) override { return No(); }
    BOOL SetFormW(HANDLE, const char16_t*, DWORD, const BYTE*) override { return No(); }
    BOOL AddFormW(HANDLE, DWORD, const BYTE*) override { return No(); }
    BOOL DeleteFormW(HANDLE, const char16_t*) override { return No(); }
    int DeviceCapabilitiesW(const char16_t*, const char16_t*, WORD, void*,
                            const DEVMODEW*) override {
        No();
        return -1;
    }
    BOOL EnumPrintersW(DWORD, const char16_t*, DWORD, BYTE*, DWORD, DWORD*, DWORD*) override {
        return No();
    }
    BOOL EnumPrinterDriversW(const char16_t*, const char16_t*, DWORD, BYTE*, DWORD, DWORD*,
                             DWORD*) override {
        return No();
    }
    BOOL EnumPortsW(const char16_t*, DWORD, BYTE*, DWORD, DWORD*, DWORD*) override { return No(); }
    BOOL GetPrinterDriverDirectoryW(const char16_t*, const char16_t*, DWORD, BYTE*, DWORD,
                                    DWORD*) override {
        return No();
    }
    BOOL AddPrinterDriverW(const char16_t*, DWORD, BYTE*) override { return No(); }
    BOOL AddPrinterDriverExW(const char16_t*, DWORD, BYTE*, DWORD) override { return No(); }
    BOOL DeletePrinterDriverExW(const char16_t*, const char16_t*, const char16_t*, DWORD,
                                DWORD) override {
        return No();
    }
    HRESULT DeletePrinterDriverPackageW(const char16_t*, const char16_t*,
                                        const char16_t*) override {
        return E_NOTIMPL;
    }
    HANDLE AddPrinterW(const char16_t*, DWORD, BYTE*) override {
        No();
        return nullptr;
    }
    BOOL DeletePrinter(HANDLE) override { return No(); }
    BOOL SetDefaultPrinterW(const char16_t*) override { return No(); }
    BOOL GetDefaultPrinterW(char16_t*, DWORD*) override { return No(); }
    LONG DocumentPropertiesW(HWND, HANDLE, const char16_t*, DEVMODEW*, const DEVMODEW*,
                             DWORD) override {
        No();
        return -1;
    }
    DWORD StartDocPrinterW(HANDLE, DWORD, BYTE*) override {
        No();
        return 0;
    }
    BOOL WritePrinter(HANDLE, const void*, DWORD, DWORD*) override { return No(); }
    BOOL EndDocPrinter(HANDLE) override { return No(); }
    BOOL EnumJobsW(HANDLE, DWORD, DWORD, DWORD, BYTE*, DWORD, DWORD*, DWORD*) override {
        return No();
    }

  private:
    static BOOL No() {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    const std::u16string* Lookup(HANDLE printer) const {
        const auto index = reinterpret_cast<std::size_t>(printer);
        return index >= 1 && index <= m_handles.size() ? &m_handles[index - 1] : nullptr;
    }

    std::map<std::u16string, std::u16string> m_drivers;
    std::vector<std::u16string> m_handles;
};

// Makes a fake the current spooler while it lives.
class ScopedSpooler {
  public:
    explicit ScopedSpooler(host::Spooler& spooler) { host::SetCurrentSpooler(&spooler); }
    ~ScopedSpooler() { host::SetCurrentSpooler(nullptr); }
    ScopedSpooler(const ScopedSpooler&) = delete;
    ScopedSpooler& operator=(const ScopedSpooler&) = delete;
};
