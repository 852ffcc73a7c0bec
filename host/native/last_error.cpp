#include "host/win32_types.h"

namespace {
thread_local DWORD g_lastError = 0;
}

DWORD GetLastError() {
    return g_lastError;
}
void SetLastError(DWORD code) {
    g_lastError = code;
}
