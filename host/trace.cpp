#include "host/trace.h"

#include <cstdarg>
#include <cstdio>

namespace host {

void TraceF(const char* format, ...) {
    char line[260];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Trace(line);
}

}  // namespace host
