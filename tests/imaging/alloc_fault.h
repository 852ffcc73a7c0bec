// Makes the container's allocations fail on demand, so the out-of-memory paths run.
#pragma once

#include <cstdlib>
#include <cstring>

#include "imaging/ximage.h"

class AllocFault {
  public:
    // Allocations number failAt, failAt + 1, ... (counted from 1) fail; 0 lets all pass.
    // Blocks that pass are filled with garbage, so a missing clear shows.
    explicit AllocFault(int failAt, std::size_t failAbove = static_cast<std::size_t>(-1)) {
        s_count = 0;
        s_failAt = failAt;
        s_failAbove = failAbove;
        SetImageAllocator(&Allocate);
    }
    ~AllocFault() { SetImageAllocator(nullptr); }
    AllocFault(const AllocFault&) = delete;
    AllocFault& operator=(const AllocFault&) = delete;
    static int Count() { return s_count; }

  private:
    static void* Allocate(std::size_t bytes) {
        ++s_count;
        if ((s_failAt && s_count >= s_failAt) || bytes > s_failAbove)
            return nullptr;
        void* p = std::malloc(bytes);
        if (p)
            std::memset(p, 0xA5, bytes);
        return p;
    }
    static inline int s_count = 0;
    static inline int s_failAt = 0;
    static inline std::size_t s_failAbove = 0;
};
