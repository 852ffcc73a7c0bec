#include <atomic>

#include "host/memory_spooler.h"

namespace host {
namespace {

std::atomic<Spooler*> g_installed{nullptr};

Spooler& ProcessSpooler() {
    static MemorySpooler spooler;
    return spooler;
}

}  // namespace

Spooler& CurrentSpooler() {
    Spooler* installed = g_installed.load();
    return installed ? *installed : ProcessSpooler();
}

void SetCurrentSpooler(Spooler* spooler) {
    g_installed.store(spooler);
}

}  // namespace host
