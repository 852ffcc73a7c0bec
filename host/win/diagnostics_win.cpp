// The diagnostics files are written by the print spooler's process into a fixed folder that
// any user may have created first. Nothing here follows a junction, symbolic link or hard
// link that such a user could have planted: the folder is opened as itself and held without
// delete sharing (so it cannot be renamed or swapped while the file is opened in it), and
// the file is opened as itself and checked before it is truncated.
#include <fcntl.h>
#include <io.h>

#include <string>

#include "host/diagnostics.h"
#include "host/trace.h"

namespace host {
namespace {

constexpr wchar_t kFolder[] = L"C:\\ZD_FileCache";

bool IsReparse(const BY_HANDLE_FILE_INFORMATION& info) {
    return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The folder, opened without following a reparse point; null when it is not a plain folder.
HANDLE OpenPlainFolder() {
    HANDLE folder = CreateFileW(kFolder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder, &info) || IsReparse(info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Trace("C:\\ZD_FileCache is a reparse point or not a folder: diagnostics file skipped");
        CloseHandle(folder);
        return nullptr;
    }
    return folder;
}

}  // namespace

std::string DiagnosticsFolder() {
    return "C:\\ZD_FileCache";
}

bool CreateDiagnosticsFolder() {
    return CreateDirectoryW(kFolder, nullptr) != 0;
}

std::FILE* OpenDiagnosticsFile(const std::string& name) {
    HANDLE folder = OpenPlainFolder();
    if (!folder)
        return nullptr;
    std::wstring path = std::wstring(kFolder) + L"\\" + std::wstring(name.begin(), name.end());
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    CloseHandle(folder);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) || IsReparse(info) || info.nNumberOfLinks != 1) {
        Trace("diagnostics file skipped: " + name + " is a reparse point or a link");
        CloseHandle(file);
        return nullptr;
    }
    // Truncated only now that the file is known to be the folder's own.
    if (!SetEndOfFile(file)) {
        CloseHandle(file);
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_RDWR);
    if (fd < 0) {
        CloseHandle(file);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "wb+");
    if (!stream)
        _close(fd);
    return stream;
}

SYSTEMTIME LocalTime() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return t;
}

DWORD TickCount() {
    return GetTickCount();
}

}  // namespace host
