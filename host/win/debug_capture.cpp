// The lines this process writes to the debug output, the plug-in DLL's included: this module's
// own lines straight from Trace, every other module's caught as the debug-print exceptions
// OutputDebugString raises before any debugger or listener sees them. Only tests and the
// command-line tools use it; the plug-in itself never links it.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <mutex>
#include <vector>

#include "host/trace.h"
#include "host/win/text.h"

namespace host {
namespace detail {
extern std::atomic<void (*)(std::string_view line)> g_keepOwnLine;
extern thread_local bool t_inOwnTrace;
}  // namespace detail

namespace {

constexpr DWORD kDebugPrint = 0x40010006;      // narrow text: length with NUL, text
constexpr DWORD kDebugPrintWide = 0x4001000A;  // UTF-16 text first, then the narrow copy
constexpr std::size_t kKeptLines = 8192;

struct Capture {
    std::mutex lock;
    std::vector<std::string> lines;
    std::FILE* file = nullptr;
};

Capture& Store() {
    static Capture capture;
    return capture;
}

// Set after a wide print, whose narrow repeat then follows on the same thread.
thread_local bool t_narrowRepeat = false;

void Keep(std::string line) {
    Capture& c = Store();
    std::lock_guard<std::mutex> guard(c.lock);
    if (c.file) {
        std::fwrite(line.data(), 1, line.size(), c.file);
        if (line.empty() || line.back() != '\n')
            std::fputc('\n', c.file);
        std::fflush(c.file);
    }
    // Only recent lines are kept, so a long job cannot grow the store without bound.
    if (c.lines.size() >= kKeptLines)
        c.lines.erase(c.lines.begin(), c.lines.begin() + kKeptLines / 2);
    c.lines.push_back(std::move(line));
}

template <class Char>
std::size_t BoundedLength(const Char* text, ULONG_PTR withNul) {
    std::size_t n = 0;
    while ((withNul == 0 || n + 1 < withNul) && text[n])
        ++n;
    return n;
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* r = pointers->ExceptionRecord;
    if (detail::t_inOwnTrace || r->NumberParameters < 2 || !r->ExceptionInformation[1])
        return EXCEPTION_CONTINUE_SEARCH;
    if (r->ExceptionCode == kDebugPrintWide) {
        const auto* text = reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]);
        Keep(Utf8FromWide({text, BoundedLength(text, r->ExceptionInformation[0])}));
        t_narrowRepeat = true;
    } else if (r->ExceptionCode == kDebugPrint) {
        if (t_narrowRepeat) {
            t_narrowRepeat = false;
        } else {
            const auto* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
            Keep(Utf8FromAnsi({text, BoundedLength(text, r->ExceptionInformation[0])}));
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void StartCapture() {
    static std::once_flag once;
    std::call_once(once, [] {
        detail::g_keepOwnLine.store([](std::string_view line) { Keep(std::string(line)); });
        AddVectoredExceptionHandler(1, OnException);
    });
}

}  // namespace

std::vector<std::string> TraceLines() {
    StartCapture();
    Capture& c = Store();
    std::lock_guard<std::mutex> guard(c.lock);
    return c.lines;
}

void ClearTrace() {
    StartCapture();
    Capture& c = Store();
    std::lock_guard<std::mutex> guard(c.lock);
    c.lines.clear();
}

void SetTraceFile(const std::string& path) {
    StartCapture();
    Capture& c = Store();
    std::lock_guard<std::mutex> guard(c.lock);
    if (c.file)
        std::fclose(c.file);
    c.file = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
}

}  // namespace host
