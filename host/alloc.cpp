#include "host/alloc.h"

#include <atomic>
#include <cstdlib>

namespace host {
namespace {
std::atomic<int> g_skip{0};
std::atomic<int> g_fail{0};
}  // namespace

void* AllocZeroed(std::size_t size) {
    if (g_fail.load() > 0) {
        if (g_skip.load() > 0) {
            --g_skip;
        } else {
            --g_fail;
            return nullptr;
        }
    }
    return std::calloc(size ? size : 1, 1);
}

void FreeBlock(void* block) {
    std::free(block);
}

void FailAllocations(int skip, int count) {
    g_skip = skip;
    g_fail = count;
}

}  // namespace host
