// The trace seam: lines reach the debug output as written (on Windows through
// OutputDebugStringW, read back from the process's debug output), copies go to a file byte for
// byte, and system messages are one line of text.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/trace.h"

namespace {

TEST(Trace, LinesArriveAsWritten) {
    host::ClearTrace();
    host::Trace("OEMStartDoc");
    host::Trace("ERROR BITMAP:  DevMode() ERROR_INVALID_PARAMETER.\r\n");
    host::Trace("caf\xc3\xa9 \xc2\xb0");  // UTF-8 that every Windows code page of Latin text has
    host::TraceF("BITMAP:  \tdwMode = %d, pOemDMParam = %#lx.\r\n", 9, 0x10UL);
    host::TraceF("%s", std::string(300, 'x').c_str());
    EXPECT_EQ(host::TraceLines(),
              (std::vector<std::string>{
                  "OEMStartDoc", "ERROR BITMAP:  DevMode() ERROR_INVALID_PARAMETER.\r\n",
                  "caf\xc3\xa9 \xc2\xb0", "BITMAP:  \tdwMode = 9, pOemDMParam = 0x10.\r\n",
                  std::string(259, 'x')}));
    host::ClearTrace();
    EXPECT_TRUE(host::TraceLines().empty());
}

TEST(Trace, FileCopyEndsEachLineOnce) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "zendor-trace-test.txt").string();
    host::SetTraceFile(path);
    host::Trace("OEMNextBand");
    host::Trace("BITMAP:  LocalAlloc failed!\n");
    host::Trace("GetPrinterData1 dwStatus = 2\r\n");
    host::SetTraceFile("");
    host::Trace("after the copy stopped");
    std::ifstream file(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    file.close();
    std::remove(path.c_str());
    EXPECT_EQ(bytes, "OEMNextBand\nBITMAP:  LocalAlloc failed!\nGetPrinterData1 dwStatus = 2\r\n");
}

TEST(SystemMessage, OneLineOfTextPerCode) {
    for (DWORD code : {ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED,
                       ERROR_INVALID_PARAMETER, ERROR_INVALID_PRINTER_NAME}) {
        std::string text = host::SystemMessage(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code << ": " << text;
    }
    EXPECT_EQ(host::SystemMessage(99999), "Unknown error 99999.");
#ifndef _WIN32
    // The native texts are the ones Windows gives in English.
    EXPECT_EQ(host::SystemMessage(ERROR_ACCESS_DENIED), "Access is denied.");
    EXPECT_EQ(host::SystemMessage(ERROR_FILE_NOT_FOUND),
              "The system cannot find the file specified.");
#endif
}

}  // namespace
