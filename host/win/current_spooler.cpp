#include "host/platform_spooler.h"
#include "host/win/win32_spooler.h"

namespace host {

Spooler& PlatformSpooler() {
    static Win32Spooler spooler;
    return spooler;
}

}  // namespace host
