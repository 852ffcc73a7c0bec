# The Windows build (a mingw-w64 cross build, see cmake/toolchain-*.cmake): third-party
# libraries compiled from Debian's source packages, every program and DLL in bin/, and the
# tests run under Wine in a private prefix.
enable_language(RC)
set(ZD_VERSION 1.0.0.0)
string(REPLACE "." "," ZD_VERSION_COMMAS ${ZD_VERSION})
set(ZD_DEBIAN_SOURCES ${CMAKE_BINARY_DIR}/debian-sources
    CACHE PATH "Where Debian's source packages of the third-party libraries are unpacked")
set(ZD_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The Wine prefix the tests run in")
set(ZD_WINE_TIMEOUT 300 CACHE STRING "Seconds a Windows test may run under Wine")
set(ZD_NATIVE_RENDER "" CACHE FILEPATH
    "The native zendor-render, whose output the Windows one must reproduce byte for byte")

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${ZD_WINEPREFIX}
    ${ZD_WINE_TIMEOUT})

execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/cmake/debian-source.sh ${ZD_DEBIAN_SOURCES} pugixml libpng1.6
  RESULT_VARIABLE fetched)
if(fetched)
  message(FATAL_ERROR "cannot get Debian's sources of pugixml and libpng (see above)")
endif()

# pugixml in its default configuration (char interface), as Debian builds it.
set(pugixml_src ${ZD_DEBIAN_SOURCES}/pugixml/src)
add_library(pugixml STATIC ${pugixml_src}/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${pugixml_src})
target_compile_options(pugixml PRIVATE -w)
add_library(pugixml::pugixml ALIAS pugixml)

# zlib from Debian's mingw-w64 package, libpng from Debian's source with its stock options.
find_library(ZD_ZLIB_STATIC NAMES libz.a REQUIRED)
find_path(ZD_ZLIB_INCLUDE zlib.h REQUIRED)
add_library(ZLIB::ZLIB STATIC IMPORTED)
set_target_properties(ZLIB::ZLIB PROPERTIES IMPORTED_LOCATION ${ZD_ZLIB_STATIC}
                                            INTERFACE_INCLUDE_DIRECTORIES ${ZD_ZLIB_INCLUDE})
set(png_src ${ZD_DEBIAN_SOURCES}/libpng1.6)
configure_file(${png_src}/scripts/pnglibconf.h.prebuilt ${CMAKE_BINARY_DIR}/libpng/pnglibconf.h
               COPYONLY)
add_library(png STATIC
  ${png_src}/png.c ${png_src}/pngerror.c ${png_src}/pngget.c ${png_src}/pngmem.c
  ${png_src}/pngpread.c ${png_src}/pngread.c ${png_src}/pngrio.c ${png_src}/pngrtran.c
  ${png_src}/pngrutil.c ${png_src}/pngset.c ${png_src}/pngtrans.c ${png_src}/pngwio.c
  ${png_src}/pngwrite.c ${png_src}/pngwtran.c ${png_src}/pngwutil.c)
target_include_directories(png SYSTEM PUBLIC ${png_src} ${CMAKE_BINARY_DIR}/libpng)
target_compile_options(png PRIVATE -w)
target_link_libraries(png PUBLIC ZLIB::ZLIB)
add_library(PNG::PNG ALIAS png)

# GoogleTest from the sources Debian's googletest package installs.
if(ZD_TESTS)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()
