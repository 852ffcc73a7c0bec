// The names from a printer's level-2 information.
#pragma once

#include <optional>
#include <string>

#include "host/win32_types.h"

struct PrinterNames {
    std::u16string printerName;
    std::u16string driverName;
};

// Through the current spooler; none when the information cannot be read.
std::optional<PrinterNames> ReadPrinterNames(HANDLE printer);
