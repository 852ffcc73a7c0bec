// Makes the container's allocations fail on demand, so the out-of-memory paths run.
#pragma once

#include <cstdlib>
#include <cstring>

#include "imaging/ximage.h"

class AllocFault {
  public:
    // Allocations number failAt, failAt + 1, ... (counted from 1) fail, or with onlyOnce just
    // that one; 0 lets all pass. Blocks that pass are filled with garbage, so a missing clear
    // shows.
    explicit AllocFault(int failAt, bool onlyOnce = false) {
        s_count = 0;
        s_failAt = failAt;
        s_onlyOnce = onlyOnce;
        SetImageAllocator(&Allocate);
    }
    ~AllocFault() { SetImageAllocator(nullptr); }
    AllocFault(const AllocFault&) = delete;
    AllocFault& operator=(const AllocFault&) = delete;

  private:
    static void* Allocate(std::size_t bytes) {
        ++s_count;
        if (s_failAt && (s_onlyOnce ? s_count == s_failAt : s_count >= s_failAt))
            return nullptr;
        void* p = std::malloc(bytes);
        if (p)
            std::memset(p, 0xA5, bytes);
        return p;
    }
    static inline int s_count = 0;
    static inline int s_failAt = 0;
    static inline bool s_onlyOnce = false;
};
