// Trace lines on the system debug output. On Windows they go to OutputDebugStringW; the
// native build keeps them in memory. Both can hand tests the lines and copy them to a file:
// on Windows by catching the process's debug output, the plug-in DLL's included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/win32_types.h"

namespace host {

// Writes one line as it stands.
void Trace(std::string_view line);

// printf-style line, cut to 259 characters like the fixed 260-character buffers of the
// plug-ins' messages.
void TraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The system's message text for an error code, without the trailing line break.
std::string SystemMessage(DWORD code);

// The most recent lines (several thousand) written since the last ClearTrace. On Windows the
// catching starts with the first of these three calls; lines written before it are not seen.
std::vector<std::string> TraceLines();
void ClearTrace();
// Also append every line to this file (empty path: stop).
void SetTraceFile(const std::string& path);

}  // namespace host
