#include <windows.h>
// winddi.h needs the base types first.
#include <winddi.h>

#include "tests/win/ddi_facts.h"

DdiFacts PlatformDdiFacts() {
    return {ZD_DDI_FACTS(ZD_DDI_FACT)};
}
