#include <atomic>

#include "host/platform_spooler.h"

namespace host {
namespace {
std::atomic<Spooler*> g_installed{nullptr};
}  // namespace

Spooler& CurrentSpooler() {
    Spooler* installed = g_installed.load();
    return installed ? *installed : PlatformSpooler();
}

void SetCurrentSpooler(Spooler* spooler) {
    g_installed.store(spooler);
}

}  // namespace host
