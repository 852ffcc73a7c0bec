# 32-bit Windows (x86) with mingw-w64. Floating point goes through SSE2 as on x64, so the
# tone curves and dithering round exactly as in the 64-bit and native builds (x87 keeps
# excess precision and would change output bytes).
set(ZD_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR X86)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
