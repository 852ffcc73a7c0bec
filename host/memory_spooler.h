// A complete print spooler held in memory: printers, printer data, forms, drivers, driver
// packages, ports, jobs and the default printer, with the results and last errors of the
// platform's spooler, plus seeding helpers and fault injection for tests and the simulated
// host. Portable: it also serves the Windows build's tests.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/spooler.h"

namespace host {

// Which call of a two-step (size query, then fetch) protocol a fault hits.
enum class FaultStep {
    Any,
    SizeQuery,  // calls made with a zero buffer size
    Fetch,      // calls made with a non-zero buffer size
};

struct Fault {
    std::string operation;  // the operation's name, e.g. "GetPrinterDataExW"
    DWORD error = ERROR_ACCESS_DENIED;
    int count = 1;  // calls that fail; MemorySpooler::kEveryCall keeps failing
    // Only calls about this name (compared without regard to case): the value name for the
    // printer-data calls, the form for the form calls, the driver for the driver calls, the INF
    // path for DeletePrinterDriverPackageW, otherwise the printer. Empty: every call.
    std::u16string name;
    FaultStep step = FaultStep::Any;
    int skip = 0;  // matching calls let through before the first failure
};

// One paper as the driver reports it: DC_PAPERS id, DC_PAPERNAMES name, DC_PAPERSIZE size in
// tenths of a millimetre.
struct PaperInfo {
    WORD id;
    std::u16string name;
    POINT size;
};

// What the platform's spooler decides and this one decides the same way:
// - printer, driver, port, form, key and value names compare without regard to (ASCII) case;
// - a handle opened with no access or with PRINTER_ACCESS_USE reads but may not write: printer
//   data, SetPrinterW and the form changes need PRINTER_ACCESS_ADMINISTER, DeletePrinter the
//   DELETE right, StartDocPrinterW PRINTER_ACCESS_USE (PRINTER_ALL_ACCESS has them all);
// - OpenPrinterW with no name opens the local server, a handle that serves the form calls only;
// - a deleted printer's handles stay open until closed and reach nothing;
// - handle values are never reused, so stale handles fail with ERROR_INVALID_HANDLE.
class MemorySpooler : public Spooler {
  public:
    static constexpr int kEveryCall = -1;
    static constexpr const char16_t* kX64 = u"Windows x64";
    static constexpr const char16_t* kX86 = u"Windows NT x86";

    MemorySpooler();
    ~MemorySpooler() override;
    MemorySpooler(const MemorySpooler&) = delete;
    MemorySpooler& operator=(const MemorySpooler&) = delete;

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

    // Seeding and inspection. These neither count as calls nor meet injected faults; the bool
    // results report success, with the reason in the last error as the matching call would.

    // Back to a fresh spooler: seeded ports and built-in forms only, no faults, counts or hook;
    // open handles become invalid.
    void Reset();
    // The environment of the spooler process: the one a null environment means and the one a
    // printer's driver must exist in (kX64 unless changed).
    bool SetLocalEnvironment(const std::u16string& environment);
    // A version-3 driver with placeholder files; with an INF path it is also in the driver
    // store, as a package install leaves it. Adding an existing driver replaces it.
    bool AddDriverSimple(const std::u16string& name, const std::u16string& environment = {},
                         const std::u16string& infPath = {});
    void AddDriverPackage(const std::u16string& infPath, const std::u16string& environment = {});
    bool HasDriverPackage(const std::u16string& infPath,
                          const std::u16string& environment = {}) const;
    bool HasDriver(const std::u16string& name, const std::u16string& environment = {}) const;
    // The command language the driver's printer description names; printers created later get
    // it as the REG_MULTI_SZ value "printLanguage" under "DsDriver".
    bool SetDriverLanguage(const std::u16string& driver, const std::u16string& language);
    bool AddPortSimple(const std::u16string& name, const std::u16string& monitor = u"Local Port",
                       const std::u16string& description = u"Local Port",
                       DWORD type = PORT_TYPE_WRITE);
    // AddPrinterW at level 2 with print processor "WinPrint", data type "RAW" and the local
    // attribute, with all of its checks; the handle is closed again.
    bool CreatePrinter(const std::u16string& name, const std::u16string& driver,
                       const std::u16string& port);
    bool HasPrinter(const std::u16string& name) const;
    // The printer's default DEVMODE, public part and driver extra, as stored.
    std::vector<BYTE> DefaultDevMode(const std::u16string& printer) const;
    bool SetPaperList(const std::u16string& printer, std::vector<PaperInfo> papers);
    bool SetPrinterValue(const std::u16string& printer, const std::u16string& key,
                         const std::u16string& value, DWORD type, std::vector<BYTE> data);
    // "printLanguage" under "DsDriver" as a string list of one string.
    bool SetPrintLanguage(const std::u16string& printer, const std::u16string& language);
    std::optional<std::vector<BYTE>> PrinterValue(const std::u16string& printer,
                                                  const std::u16string& key,
                                                  const std::u16string& value,
                                                  DWORD* type = nullptr) const;
    bool RemovePrinterValue(const std::u16string& printer, const std::u16string& key,
                            const std::u16string& value);
    bool HasForm(const std::u16string& name) const;
    std::vector<DWORD> JobIds(const std::u16string& printer) const;
    std::vector<BYTE> JobBytes(const std::u16string& printer, DWORD job) const;
    // Handles opened and not yet closed: a caller that leaks one shows here.
    int OpenHandleCount() const;
    // Calls of an operation since construction or Reset, faulted ones included.
    int CallCount(const std::string& operation) const;
    // Runs after every successful AddPrinterW and CreatePrinter, outside the spooler's lock,
    // with the new printer's name: where the host's printer-initialise event would fire.
    void SetPrinterAddedHook(std::function<void(const std::u16string&)> hook);

    // Fault injection: the next `count` matching calls of `operation` fail with `error` before
    // they have any effect (BOOL calls return FALSE with the last error set, status calls
    // return the code and set it as the last error, AddPrinterW returns null, StartDocPrinterW
    // 0, DeviceCapabilitiesW and DocumentPropertiesW -1, DeletePrinterDriverPackageW the
    // error as an HRESULT). An unknown operation name throws std::invalid_argument.
    void InjectFault(std::string operation, DWORD error, int count = 1);
    void InjectFault(Fault fault);
    void ClearFaults();

  private:
    struct State;
    struct Printer;
    struct Handle;

    // Counts the call and answers the error of the first injected fault it meets, if any.
    // size: the buffer size of a call that has one (for FaultStep).
    DWORD Enter(const char* operation, const std::u16string& subject = {},
                std::optional<DWORD> size = std::nullopt) const;
    std::u16string SubjectOf(HANDLE handle) const;
    DWORD SetData(const char* operation, HANDLE printer, const char16_t* key, const char16_t* value,
                  DWORD type, const BYTE* data, DWORD size);

    mutable std::mutex m_mutex;
    std::unique_ptr<State> m_state;
    std::function<void(const std::u16string&)> m_printerAdded;
};

}  // namespace host
