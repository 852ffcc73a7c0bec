#include <cstdio>
#include <map>
#include <mutex>

#include "host/trace.h"

namespace host {
namespace {

constexpr std::size_t kKeptLines = 8192;

struct TraceStore {
    std::mutex lock;
    std::vector<std::string> lines;
    std::FILE* file = nullptr;
};

TraceStore& Store() {
    static TraceStore store;
    return store;
}

}  // namespace

void Trace(std::string_view line) {
    TraceStore& s = Store();
    std::lock_guard<std::mutex> guard(s.lock);
    // Only recent lines are kept, so a long job cannot grow the store without bound.
    if (s.lines.size() >= kKeptLines)
        s.lines.erase(s.lines.begin(), s.lines.begin() + kKeptLines / 2);
    s.lines.emplace_back(line);
    if (s.file) {
        std::fwrite(line.data(), 1, line.size(), s.file);
        if (line.empty() || line.back() != '\n')
            std::fputc('\n', s.file);
        std::fflush(s.file);
    }
}

std::vector<std::string> TraceLines() {
    TraceStore& s = Store();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.lines;
}

void ClearTrace() {
    TraceStore& s = Store();
    std::lock_guard<std::mutex> guard(s.lock);
    s.lines.clear();
}

void SetTraceFile(const std::string& path) {
    TraceStore& s = Store();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.file)
        std::fclose(s.file);
    s.file = path.empty() ? nullptr : std::fopen(path.c_str(), "w");
}

// The English system texts of the codes this system meets, as Windows words them.
std::string SystemMessage(DWORD code) {
    static const std::map<DWORD, const char*> texts = {
        {ERROR_SUCCESS, "The operation completed successfully."},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {ERROR_ACCESS_DENIED, "Access is denied."},
        {ERROR_INVALID_HANDLE, "The handle is invalid."},
        {ERROR_NOT_ENOUGH_MEMORY,
         "Not enough memory resources are available to process this command."},
        {ERROR_INVALID_DATA, "The data is invalid."},
        {ERROR_OUTOFMEMORY,
         "Not enough memory resources are available to complete this operation."},
        {ERROR_NOT_SUPPORTED, "The request is not supported."},
        {ERROR_FILE_EXISTS, "The file exists."},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
        {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
        {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
        {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
        {ERROR_INVALID_LEVEL, "The system call level is not correct."},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
        {ERROR_MORE_DATA, "More data is available."},
        {ERROR_NO_MORE_ITEMS, "No more data is available."},
        {ERROR_PRINTER_DRIVER_ALREADY_INSTALLED,
         "The specified printer driver is already installed."},
        {ERROR_UNKNOWN_PORT, "The specified port is unknown."},
        {ERROR_UNKNOWN_PRINTER_DRIVER, "The printer driver is unknown."},
        {ERROR_UNKNOWN_PRINTPROCESSOR, "The print processor is unknown."},
        {ERROR_INVALID_PRINTER_NAME, "The printer name is invalid."},
        {ERROR_PRINTER_ALREADY_EXISTS, "The printer already exists."},
        {ERROR_INVALID_PRINTER_COMMAND, "The printer command is invalid."},
        {ERROR_INVALID_ENVIRONMENT, "The environment specified is invalid."},
        {ERROR_INVALID_FORM_NAME, "The form name specified is not valid."},
        {ERROR_INVALID_FORM_SIZE, "The form size specified is not valid."},
        {ERROR_PRINT_CANCELLED, "Your file waiting to be printed was deleted."},
        {ERROR_INVALID_USER_BUFFER,
         "The supplied user buffer is not valid for the requested operation."},
        {ERROR_INVALID_DATATYPE, "The specified datatype is invalid."},
        {ERROR_INVALID_PRINTER_STATE, "The state of the printer is invalid."},
        {ERROR_SPL_NO_STARTDOC, "StartDocPrinter not called."},
        {ERROR_PRINTER_DRIVER_PACKAGE_IN_USE,
         "The specified printer driver package is currently in use."},
        {ERROR_PRINTER_DRIVER_IN_USE, "The specified printer driver is currently in use."},
        {ERROR_PRINTER_NOT_FOUND, "No printers were found."},
    };
    auto it = texts.find(code);
    if (it != texts.end())
        return it->second;
    char text[64];
    std::snprintf(text, sizeof text, "Unknown error %u.", static_cast<unsigned>(code));
    return text;
}

}  // namespace host
