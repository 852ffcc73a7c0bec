#include "host/alloc.h"

#include <atomic>
#include <cstdlib>

namespace host {
namespace {
std::atomic<int> g_skip{0};
std::atomic<int> g_fail{0};
}  // namespace

namespace {
bool InjectedFailure() {
    if (g_fail.load() <= 0)
        return false;
    if (g_skip.load() > 0) {
        --g_skip;
        return false;
    }
    --g_fail;
    return true;
}
}  // namespace

void* AllocZeroed(std::size_t size) {
    return InjectedFailure() ? nullptr : std::calloc(size ? size : 1, 1);
}

void* AllocBlock(std::size_t size) {
    return InjectedFailure() ? nullptr : std::malloc(size ? size : 1);
}

void FreeBlock(void* block) {
    std::free(block);
}

void FailAllocations(int skip, int count) {
    g_skip = skip;
    g_fail = count;
}

}  // namespace host
