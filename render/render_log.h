// The render plug-in's diagnostics files: the text log of pages and spool writes, and the
// names of the page dumps, all in the diagnostics folder of host/diagnostics.h.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "host/win32_types.h"

// "YYYYMMDD-hh.mm.ss.mmm" followed by the suffix (".log", ".begin.bmp", ".end.bmp").
std::string DiagnosticsFileName(const SYSTEMTIME& time, const char* suffix);

// The text of a spool write's log entry: "WriteSpool(n): " and every byte, printable ones as
// themselves unless allHex, the others (or all) as " %02x ".
std::string SpoolLogEntry(const void* bytes, LONG count, bool allHex);

// A UTF-16LE log without byte-order mark, one "tick: text" entry per line, opened at the
// first entry under the name of the time it was created with.
class RenderLog {
  public:
    explicit RenderLog(const SYSTEMTIME& created) : m_created(created) {}
    ~RenderLog();
    RenderLog(const RenderLog&) = delete;
    RenderLog& operator=(const RenderLog&) = delete;

    // An entry that cannot be written is dropped; the next one tries to open the file again.
    void Write(std::string_view text);

  private:
    SYSTEMTIME m_created;
    std::FILE* m_file = nullptr;
};
