// The current-spooler seam for these tests until the in-memory spooler is available: an
// empty fake unless a test installs its own.
#include "host/spooler.h"
#include "tests/settings/fake_spooler.h"

namespace host {
namespace {
Spooler* g_current = nullptr;
}

Spooler& CurrentSpooler() {
    static FakeSpooler empty;
    return g_current ? *g_current : empty;
}

void SetCurrentSpooler(Spooler* spooler) {
    g_current = spooler;
}

}  // namespace host
