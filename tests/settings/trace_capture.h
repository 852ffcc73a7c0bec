// Collects the trace lines written while it lives.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "host/trace.h"

class TraceCapture {
  public:
    TraceCapture() { host::ClearTrace(); }
    ~TraceCapture() { host::ClearTrace(); }
    std::vector<std::string> Lines() const { return host::TraceLines(); }
    bool Has(const std::string& line) const {
        const std::vector<std::string> lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    int Count(const std::string& line) const {
        const std::vector<std::string> lines = Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
};
