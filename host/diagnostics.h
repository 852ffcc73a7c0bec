// Where the render plug-in's diagnostics files go and the clock that names them. Windows
// writes into the fixed folder C:\ZD_FileCache; the native build writes only into a folder
// that the simulated host (or whoever drives the plug-in) chooses, and none by default.
#pragma once

#include <cstdio>
#include <string>

#include "host/win32_types.h"

namespace host {

// The folder as text, without a trailing separator; empty when no folder is chosen.
std::string DiagnosticsFolder();

// Creates the folder; callers ignore the result, a later open simply fails.
bool CreateDiagnosticsFolder();

// Creates or truncates the named file in the folder for binary writing and reading, like
// fopen's "wb+". Null when it cannot be opened. On Windows a folder or file that is a
// reparse point (junction, symbolic link) or a hard link is not followed: null, traced.
std::FILE* OpenDiagnosticsFile(const std::string& name);

// The local wall-clock time and the milliseconds since the system started.
SYSTEMTIME LocalTime();
DWORD TickCount();

#ifndef _WIN32
// Native build only: the folder (empty: no files) and a fixed clock for tests (null: the
// real clock).
void SetDiagnosticsFolder(const std::string& folder);
void SetFixedLocalTime(const SYSTEMTIME* time);
#endif

}  // namespace host
