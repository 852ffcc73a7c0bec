#include <atomic>

#include "host/com.h"

LONG InterlockedIncrement(volatile LONG* value) {
    return std::atomic_ref<LONG>(const_cast<LONG&>(*value)).fetch_add(1) + 1;
}

LONG InterlockedDecrement(volatile LONG* value) {
    return std::atomic_ref<LONG>(const_cast<LONG&>(*value)).fetch_sub(1) - 1;
}
