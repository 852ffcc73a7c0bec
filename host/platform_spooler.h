// The spooler a process talks to unless a test installs another: the system's on Windows, a
// process-wide in-memory one natively.
#pragma once

#include "host/spooler.h"

namespace host {
Spooler& PlatformSpooler();
}  // namespace host
