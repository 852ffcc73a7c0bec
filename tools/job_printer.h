// The printer a render job prints on and the plug-in it prints with. Natively an in-memory
// spooler holds the printer and the plug-in is linked in; on Windows the printer is created in
// the system's spooler and the plug-in is loaded from ZendorPrtUNI.dll beside the program.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "host/sim_host.h"
#include "settings/records.h"
#include "tools/render_job.h"

class JobPrinter {
  public:
    JobPrinter();
    ~JobPrinter();
    JobPrinter(const JobPrinter&) = delete;
    JobPrinter& operator=(const JobPrinter&) = delete;

    // Creates the printer with the job's "printLanguage" and stored records (an absent record
    // stays absent), opens it for use and gets the plug-in's class object.
    bool Create(const RenderJob& job, std::string& error);
    HANDLE Handle() const { return m_handle; }
    host::GetClassObjectFn ClassObject() const { return m_getClassObject; }

    struct Platform;

  private:
    std::unique_ptr<Platform> m_platform;
    HANDLE m_handle = nullptr;
    host::GetClassObjectFn m_getClassObject = nullptr;
};

inline constexpr char16_t kJobPrinterName[] = u"Zendor Label Printer";
inline constexpr char16_t kJobDriverName[] = u"Zendor Label Driver";

// The job's records as the printer-data values under "PrinterDriverData" that hold them.
struct StoredRecord {
    const char16_t* value;
    const std::optional<std::vector<std::uint8_t>>& bytes;
};
inline std::array<StoredRecord, 3> StoredRecords(const RenderJob& job) {
    return {StoredRecord{kDeviceSettingsValue, job.zddata},
            StoredRecord{kHalftoneSettingsValue, job.zddata1},
            StoredRecord{kWatermarkSettingsValue, job.watermark}};
}
