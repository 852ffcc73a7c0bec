#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <mutex>
#include <optional>

#include "host/diagnostics.h"

namespace host {
namespace {

struct DiagnosticsState {
    std::mutex lock;
    std::string folder;
    std::optional<SYSTEMTIME> fixedTime;
};

DiagnosticsState& State() {
    static DiagnosticsState state;
    return state;
}

}  // namespace

std::string DiagnosticsFolder() {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().folder;
}

void SetDiagnosticsFolder(const std::string& folder) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().folder = folder;
    while (State().folder.size() > 1 && State().folder.back() == '/')
        State().folder.pop_back();
}

bool CreateDiagnosticsFolder() {
    std::string folder = DiagnosticsFolder();
    return !folder.empty() && ::mkdir(folder.c_str(), 0777) == 0;
}

std::FILE* OpenDiagnosticsFile(const std::string& name) {
    std::string folder = DiagnosticsFolder();
    if (folder.empty())
        return nullptr;
    return std::fopen((folder + "/" + name).c_str(), "wb+");
}

void SetFixedLocalTime(const SYSTEMTIME* time) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().fixedTime = time ? std::optional<SYSTEMTIME>(*time) : std::nullopt;
}

SYSTEMTIME LocalTime() {
    {
        std::lock_guard<std::mutex> guard(State().lock);
        if (State().fixedTime)
            return *State().fixedTime;
    }
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(local.tm_year + 1900);
    t.wMonth = static_cast<WORD>(local.tm_mon + 1);
    t.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    t.wDay = static_cast<WORD>(local.tm_mday);
    t.wHour = static_cast<WORD>(local.tm_hour);
    t.wMinute = static_cast<WORD>(local.tm_min);
    t.wSecond = static_cast<WORD>(local.tm_sec);
    t.wMilliseconds = static_cast<WORD>(ms.count());
    return t;
}

DWORD TickCount() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace host
