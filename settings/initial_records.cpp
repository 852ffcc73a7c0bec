#include "settings/printer_init.h"

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
