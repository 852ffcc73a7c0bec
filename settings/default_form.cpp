// The spooler side of the default form, apart from the look-ups so that programs without a
// spooler (tools, fuzzers) can link the database alone.
#include "host/spooler.h"
#include "host/utf.h"
#include "settings/model_database.h"
#include "settings/printer_data.h"
#include "settings/printer_info.h"

void CModelDatabase::ApplyDefaultForm(HANDLE hostPrinter, DEVMODEW* devmode) {
    if (!devmode)
        return;
    HANDLE own = nullptr;
    if (!OpenPrinterFromHandle(hostPrinter, &own))
        return;
    if (const std::optional<PrinterNames> names = ReadPrinterNames(own)) {
        LoadModelDatabase();
        ApplyDefaultFormForModel(Utf16ToUtf8(names->driverName), devmode);
    }
    host::CurrentSpooler().ClosePrinter(own);
}
