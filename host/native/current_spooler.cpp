#include "host/memory_spooler.h"
#include "host/platform_spooler.h"

namespace host {

Spooler& PlatformSpooler() {
    static MemorySpooler spooler;
    return spooler;
}

}  // namespace host
