#include "render/render_log.h"

#include <cstdio>
#include <vector>

#include "host/diagnostics.h"

std::string DiagnosticsFileName(const SYSTEMTIME& t, const char* suffix) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d-%02d.%02d.%02d.%03d%s", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, suffix);
    return name;
}

std::string SpoolLogEntry(const void* bytes, LONG count, bool allHex) {
    static const char kHex[] = "0123456789abcdef";
    char head[32];
    std::snprintf(head, sizeof head, "WriteSpool(%d): ", static_cast<int>(count));
    std::string entry = head;
    const auto* p = static_cast<const BYTE*>(bytes);
    entry.reserve(entry.size() + 4 * static_cast<std::size_t>(count > 0 ? count : 0));
    for (LONG i = 0; i < count; ++i) {
        BYTE b = p[i];
        if (!allHex && b >= 0x20 && b <= 0x7E) {
            entry += static_cast<char>(b);
        } else {
            entry += ' ';
            entry += kHex[b >> 4];
            entry += kHex[b & 0xF];
            entry += ' ';
        }
    }
    return entry;
}

RenderLog::~RenderLog() {
    if (m_file)
        std::fclose(m_file);
}

void RenderLog::Write(std::string_view text) {
    if (!m_file) {
        m_file = host::OpenDiagnosticsFile(DiagnosticsFileName(m_created, ".log"));
        if (!m_file)
            return;
    }
    char tick[16];
    int n = std::snprintf(tick, sizeof tick, "%d: ", static_cast<int>(host::TickCount()));
    std::vector<BYTE> units;
    units.reserve(2 * (static_cast<std::size_t>(n) + text.size() + 2));
    auto put = [&units](char c) {
        units.push_back(static_cast<BYTE>(c));
        units.push_back(0);
    };
    for (int i = 0; i < n; ++i)
        put(tick[i]);
    for (char c : text)
        put(c);
    put('\r');
    put('\n');
    std::fwrite(units.data(), 1, units.size(), m_file);
    std::fflush(m_file);
}
