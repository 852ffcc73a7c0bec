// The job's printer in the system's spooler, through the spooler seam: a driver whose driver
// and configuration files are the small configuration stub beside this program (the spooler
// loads the configuration file when it creates a printer), a printer of this process on FILE:,
// and the plug-in DLL loaded as the universal driver loads it.
#include <windows.h>

#include <string>

#include "host/spooler.h"
#include "tools/job_printer.h"

namespace {

constexpr wchar_t kPluginFile[] = L"ZendorPrtUNI.dll";
constexpr wchar_t kConfigStubFile[] = L"zendor-render-config.dll";

LPWSTR W(const wchar_t* text) {
    return const_cast<LPWSTR>(text);
}
std::wstring Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
const char16_t* U(const std::wstring& text) {
    return reinterpret_cast<const char16_t*>(text.c_str());
}

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::string Failure(const std::string& what) {
    DWORD code = GetLastError();
    return what + " failed: error " + std::to_string(code);
}

}  // namespace

struct JobPrinter::Platform {
    host::Spooler& spooler = host::CurrentSpooler();
    std::wstring name;
    HANDLE admin = nullptr;  // from AddPrinterW; deletes the printer at the end
    HANDLE use = nullptr;    // the handle the plug-in gets
    HMODULE plugin = nullptr;

    ~Platform() {
        if (use)
            spooler.ClosePrinter(use);
        if (admin) {
            spooler.DeletePrinter(admin);
            spooler.ClosePrinter(admin);
        }
        if (plugin) {
            using CanUnloadFn = HRESULT(STDMETHODCALLTYPE*)();
            auto canUnload = reinterpret_cast<CanUnloadFn>(
                reinterpret_cast<void (*)()>(GetProcAddress(plugin, "DllCanUnloadNow")));
            if (canUnload && canUnload() == S_OK)
                FreeLibrary(plugin);
        }
    }

    bool AddDriver(const std::wstring& folder, std::string& error) {
        std::wstring stub = folder + kConfigStubFile;
        std::wstring driver = Wide(kJobDriverName);
        DRIVER_INFO_3W info{};
        info.cVersion = 3;
        info.pName = driver.data();
        info.pDriverPath = W(stub.c_str());
        info.pDataFile = W(stub.c_str());
        info.pConfigFile = W(stub.c_str());
        // Several jobs may add the same driver at once; the stub's copy in use stays.
        if (!spooler.AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                                         APD_COPY_NEW_FILES) &&
            GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
            error = Failure("AddPrinterDriverExW");
            return false;
        }
        return true;
    }

    bool AddPrinter(std::string& error) {
        name = Wide(kJobPrinterName) + L" " + std::to_wstring(GetCurrentProcessId());
        PRINTER_INFO_2W info{};
        info.pPrinterName = name.data();
        info.pPortName = W(L"FILE:");
        std::wstring driver = Wide(kJobDriverName);
        info.pDriverName = driver.data();
        info.pPrintProcessor = W(L"WinPrint");
        info.pDatatype = W(L"RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        for (int attempt = 0; attempt < 2; ++attempt) {
            admin = spooler.AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
            if (admin)
                return true;
            if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS)
                break;
            // Left behind by an earlier process of the same id that did not finish.
            HANDLE stale = nullptr;
            if (spooler.OpenPrinterW(U(name), &stale, PRINTER_ALL_ACCESS)) {
                spooler.DeletePrinter(stale);
                spooler.ClosePrinter(stale);
            }
        }
        error = Failure("AddPrinterW");
        return false;
    }

    bool Store(const char16_t* key, const char16_t* value, DWORD type,
               const std::vector<std::uint8_t>& bytes, std::string& error) {
        DWORD status = spooler.SetPrinterDataExW(admin, key, value, type, bytes.data(),
                                                 static_cast<DWORD>(bytes.size()));
        if (status != ERROR_SUCCESS) {
            error = "SetPrinterDataExW failed: error " + std::to_string(status);
            return false;
        }
        return true;
    }

    bool LoadPlugin(const std::wstring& folder, host::GetClassObjectFn& getClassObject,
                    std::string& error) {
        plugin = LoadLibraryW((folder + kPluginFile).c_str());
        if (!plugin) {
            error = Failure("LoadLibraryW of ZendorPrtUNI.dll");
            return false;
        }
        getClassObject = reinterpret_cast<host::GetClassObjectFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(plugin, "DllGetClassObject")));
        if (!getClassObject) {
            error = Failure("GetProcAddress of DllGetClassObject");
            return false;
        }
        return true;
    }
};

JobPrinter::JobPrinter() = default;
JobPrinter::~JobPrinter() = default;

bool JobPrinter::Create(const RenderJob& job, std::string& error) {
    m_platform = std::make_unique<Platform>();
    Platform& p = *m_platform;
    const std::wstring folder = ProgramFolder();
    if (!p.AddDriver(folder, error) || !p.AddPrinter(error))
        return false;
    // A string list: the language, its terminator and the list's.
    std::u16string list = job.language + u'\0';
    const auto* text = reinterpret_cast<const std::uint8_t*>(list.c_str());
    if (!p.Store(kDsDriverKey, kPrintLanguageValue, REG_MULTI_SZ,
                 {text, text + (list.size() + 1) * sizeof(char16_t)}, error)) {
        return false;
    }
    for (const StoredRecord& record : StoredRecords(job)) {
        if (record.bytes &&
            !p.Store(kPrinterDriverDataKey, record.value, REG_BINARY, *record.bytes, error)) {
            return false;
        }
    }
    if (!p.spooler.OpenPrinterW(U(p.name), &p.use, PRINTER_ACCESS_USE)) {
        error = Failure("OpenPrinterW");
        return false;
    }
    m_handle = p.use;
    return p.LoadPlugin(folder, m_getClassObject, error);
}
