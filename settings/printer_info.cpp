#include "settings/printer_info.h"

#include <cstdint>
#include <vector>

#include "host/spooler.h"

std::optional<PrinterNames> ReadPrinterNames(HANDLE printer) {
    host::Spooler& spooler = host::CurrentSpooler();
    DWORD needed = 0;
    if (spooler.GetPrinterW(printer, 2, nullptr, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    // The strings follow the record in the same buffer; keep it aligned for the pointers.
    const DWORD size = needed > sizeof(PRINTER_INFO_2W) ? needed : sizeof(PRINTER_INFO_2W);
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
    if (!spooler.GetPrinterW(printer, 2, bytes, size, &needed))
        return std::nullopt;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(bytes);
    PrinterNames names;
    // On Windows the record's texts are wchar_t, the same UTF-16 units.
    if (info->pPrinterName)
        names.printerName = reinterpret_cast<const char16_t*>(info->pPrinterName);
    if (info->pDriverName)
        names.driverName = reinterpret_cast<const char16_t*>(info->pDriverName);
    return names;
}
