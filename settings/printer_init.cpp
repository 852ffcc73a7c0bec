#include "settings/printer_init.h"

#include "host/spooler.h"
#include "host/utf.h"
#include "settings/printer_data.h"
#include "settings/printer_info.h"

void InitPrinterParameters(CModelDatabase& db, const char16_t* printerName) {
    if (!printerName)
        return;
    HANDLE printer = nullptr;
    if (!OpenPrinterByName(printerName, &printer))
        return;
    host::Spooler& spooler = host::CurrentSpooler();
    if (const std::optional<PrinterNames> names = ReadPrinterNames(printer)) {
        const InitialPrinterRecords records =
            InitialRecordsForModel(db, Utf16ToUtf8(names->printerName));
        // Each write stands alone: a failed one is not reported and does not stop the next.
        spooler.SetPrinterDataExW(printer, kPrinterDriverDataKey, kDeviceSettingsValue, REG_BINARY,
                                  reinterpret_cast<const BYTE*>(&records.device),
                                  kDeviceSettingsSize);
        spooler.SetPrinterDataExW(printer, kPrinterDriverDataKey, kHalftoneSettingsValue,
                                  REG_BINARY, reinterpret_cast<const BYTE*>(&records.halftone),
                                  kHalftoneSettingsSize);
        spooler.SetPrinterDataExW(printer, kPrinterDriverDataKey, kWatermarkSettingsValue,
                                  REG_BINARY, reinterpret_cast<const BYTE*>(&records.watermark),
                                  kWatermarkSettingsSize);
    }
    spooler.ClosePrinter(printer);
}
