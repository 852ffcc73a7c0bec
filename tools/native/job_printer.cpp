#include "tools/job_printer.h"

#include "host/memory_spooler.h"
#include "render/oem_uni2.h"

// The in-memory spooler is the process's spooler while the job runs.
struct JobPrinter::Platform {
    host::MemorySpooler spooler;
    HANDLE handle = nullptr;

    Platform() { host::SetCurrentSpooler(&spooler); }
    ~Platform() {
        if (handle)
            spooler.ClosePrinter(handle);
        host::SetCurrentSpooler(nullptr);
    }
};

JobPrinter::JobPrinter() = default;
JobPrinter::~JobPrinter() = default;

bool JobPrinter::Create(const RenderJob& job, std::string& error) {
    m_platform = std::make_unique<Platform>();
    host::MemorySpooler& spooler = m_platform->spooler;
    if (!spooler.AddDriverSimple(kJobDriverName) ||
        !spooler.CreatePrinter(kJobPrinterName, kJobDriverName, u"FILE:") ||
        !spooler.SetPrintLanguage(kJobPrinterName, job.language)) {
        error = "cannot set up the in-memory printer";
        return false;
    }
    for (const StoredRecord& record : StoredRecords(job)) {
        if (record.bytes) {
            spooler.SetPrinterValue(kJobPrinterName, kPrinterDriverDataKey, record.value,
                                    REG_BINARY, *record.bytes);
        }
    }
    if (!spooler.OpenPrinterW(kJobPrinterName, &m_platform->handle, PRINTER_ACCESS_USE)) {
        error = "cannot open the in-memory printer";
        return false;
    }
    m_handle = m_platform->handle;
    m_getClassObject = &DllGetClassObject;
    return true;
}
