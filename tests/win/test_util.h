// What the Windows tests share: the folder of the test program, where the build puts the DLLs.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}
