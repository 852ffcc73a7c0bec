// The Windows build takes its base types from the platform headers.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winspool.h>

// Codes newer than some platform headers.
#ifndef ERROR_PRINTER_DRIVER_PACKAGE_IN_USE
#define ERROR_PRINTER_DRIVER_PACKAGE_IN_USE 3015L
#endif
