#include "settings/printer_init.h"

#include "settings/own_printer.h"
#include "settings/utf.h"

InitialPrinterRecords InitialRecordsForModel(CModelDatabase& db, std::string_view modelName) {
    const pugi::xml_node driver = db.FindDriver(modelName);
    auto attribute = [&](const char* name) { return db.GetDriverAttribute(driver, name); };

    InitialPrinterRecords records{DeviceSettingsInitial(), HalftoneSettingsInitial(),
                                  WatermarkSettingsDefaults()};
    records.device.iPaperType = attribute("defpapertype").as_int(1);
    records.device.bAutoDotted = attribute("dottedline").as_bool(true) ? 1 : 0;
    records.halftone.iGrayMethod = attribute("graymethod").as_int(0);
    records.halftone.iLiangdu = attribute("light").as_int(0);
    records.halftone.iDuibidu = attribute("contrast").as_int(0);
    return records;
}

void InitPrinterParameters(host::Spooler& spooler, CModelDatabase& db,
                           const char16_t* printerName) {
    if (!printerName)
        return;
    HANDLE printer = OpenOwnPrinterHandle(spooler, printerName);
    if (!printer)
        return;
    if (const std::optional<PrinterNames> names = ReadPrinterNames(spooler, printer)) {
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
