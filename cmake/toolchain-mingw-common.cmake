# Shared part of the mingw-w64 cross toolchains; the including file sets ZD_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR first. The posix-thread compilers give std::thread and std::mutex;
# the C and C++ runtimes are linked in, so the binaries need no mingw DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ZD_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZD_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZD_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${ZD_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump of the target")

set(CMAKE_FIND_ROOT_PATH /usr/${ZD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
