#include "settings/own_printer.h"

#include <cstdint>
#include <vector>

#include "host/trace.h"

HANDLE OpenOwnPrinterHandle(host::Spooler& spooler, const char16_t* printerName) {
    HANDLE printer = nullptr;
    if (!spooler.OpenPrinterW(printerName, &printer, kOwnPrinterAccess) || !printer ||
        printer == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        host::TraceF("OpenPrinter error = %d, %s", static_cast<int>(error),
                     host::SystemMessage(error).c_str());
        return nullptr;
    }
    return printer;
}

std::optional<PrinterNames> ReadPrinterNames(host::Spooler& spooler, HANDLE printer) {
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
