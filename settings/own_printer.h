// A printer handle of our own, with full access, for writing printer data and reading the
// printer's level-2 information: the handle the host passes in may not allow either.
#pragma once

#include <optional>
#include <string>

#include "host/spooler.h"
#include "host/win32_types.h"

inline constexpr DWORD kOwnPrinterAccess = 0xF000C;  // PRINTER_ALL_ACCESS

// Opens the printer by name; on failure traces the error and returns null.
HANDLE OpenOwnPrinterHandle(host::Spooler& spooler, const char16_t* printerName);

struct PrinterNames {
    std::u16string printerName;
    std::u16string driverName;
};

// The names from the printer's level-2 information; none when it cannot be read.
std::optional<PrinterNames> ReadPrinterNames(host::Spooler& spooler, HANDLE printer);
