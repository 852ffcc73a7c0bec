// The first settings records of a new printer, taken from its model's entry.
#pragma once

#include <string_view>

#include "settings/model_database.h"
#include "settings/records.h"

struct InitialPrinterRecords {
    DeviceSettings device;
    HalftoneSettings halftone;
    WatermarkSettings watermark;
};

// The records a printer of this name gets when it is initialised; a name that is no model
// gets the defaults of absent attributes.
InitialPrinterRecords InitialRecordsForModel(CModelDatabase& db, std::string_view modelName);

// Writes the initial records of the printer through a full-access handle of its own. The
// model is looked up by the printer's name, which the installer makes the model's name. A
// printer that cannot be opened or read gets nothing written.
void InitPrinterParameters(CModelDatabase& db, const char16_t* printerName);

// The printer-initialise event of the configuration plug-in, on its database.
inline void InitPrinterParameters(const char16_t* printerName) {
    InitPrinterParameters(UiModelDatabase(), printerName);
}
