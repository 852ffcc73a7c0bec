// Reading and writing the settings records in a printer's data, the plug-ins' own printer
// handles, and the private DEVMODE part.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/oem_uni.h"
#include "settings/records.h"

// A stored value held in memory. Its capacity (the size of `bytes`) only grows, so a record
// read from a short value keeps zeros in its missing fields.
struct RecordBuffer {
    explicit RecordBuffer(DWORD size = 0) : bytes(size, 0), used(size) {}

    std::vector<BYTE> bytes;
    DWORD used;

    // The record in the first sizeof(T) bytes; bytes beyond the record are ignored.
    template <class T>
    T As() const {
        T record{};
        std::memcpy(&record, bytes.data(), std::min(sizeof(T), bytes.size()));
        return record;
    }

    template <class T>
    void Assign(const T& record) {
        if (bytes.size() < sizeof(T))
            bytes.resize(sizeof(T));
        std::memcpy(bytes.data(), &record, sizeof(T));
        used = sizeof(T);
    }
};

// The two-step read of one printer-data value: a size query, then the value.
bool ReadPrinterDataValue(HANDLE printer, const char16_t* key, const char16_t* value,
                          RecordBuffer& buffer);

// The first string of "printLanguage" under "DsDriver"; `language` is unchanged on failure.
bool ReadPrintLanguage(HANDLE printer, std::u16string& language);

// Opens a printer by name with full access into *own (null on failure).
bool OpenPrinterByName(const char16_t* name, HANDLE* own);

// Closes *own when it holds a handle, then opens the printer behind the host's handle again
// with full access, so that printer data can be written through it.
bool OpenPrinterFromHandle(HANDLE hostPrinter, HANDLE* own);

struct SettingsRecords {
    RecordBuffer device{kDeviceSettingsSize};
    RecordBuffer halftone{kHalftoneSettingsSize};
    RecordBuffer watermark{kWatermarkSettingsSize};

    DeviceSettings Device() const { return device.As<DeviceSettings>(); }
    HalftoneSettings Halftone() const { return halftone.As<HalftoneSettings>(); }
    WatermarkSettings Watermark() const { return watermark.As<WatermarkSettings>(); }
};

// Reads the three records, each replaced by its fallback when it cannot be read.
void LoadSettingsRecords(HANDLE printer, SettingsRecords& records);

// The configuration plug-in's settings store: its own printer handle, the three records and
// the command language of the printer whose sheet was opened last.
class CSettingsStore {
  public:
    CSettingsStore() = default;
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;
    ~CSettingsStore() { ClosePrinter(); }

    bool OpenPrinterFromHandle(HANDLE hostPrinter);
    bool OpenPrinterByName(const char16_t* name);
    void ClosePrinter();
    void LoadPrinterParameters();
    void SetPrinterParameters();

    HANDLE m_hPrinter = nullptr;
    SettingsRecords m_records;
    std::u16string m_language;
};

// Which plug-in's variant of the private DEVMODE rules applies.
enum class OemPlugin { Render, Configuration };

// Applies the model's default form to a public DEVMODE (configuration plug-in, default mode).
using ApplyDefaultFormFn = std::function<void(HANDLE printer, DEVMODEW* devmode)>;

// The DevMode operation on the private part. E_FAIL with ERROR_INVALID_PARAMETER as last error
// for an unknown mode or a missing parameter block.
HRESULT OemDevMode(DWORD mode, POEMDMPARAM param, OemPlugin plugin,
                   const ApplyDefaultFormFn& applyDefaultForm = {});

BOOL ConvertOEMDevmode(const OemPrivateDevmode* in, OemPrivateDevmode* out, OemPlugin plugin);
