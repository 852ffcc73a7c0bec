// SSE2 is the baseline of every 64-bit target; 32-bit builds use it when the compiler may.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define ZD_HAVE_SSE2 1
#include <emmintrin.h>
#else
#define ZD_HAVE_SSE2 0
#endif
