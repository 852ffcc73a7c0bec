// Zeroed heap blocks for page buffers, with a switch tests use to make allocations fail.
#pragma once

#include <cstddef>

namespace host {

void* AllocZeroed(std::size_t size);
// A block whose every byte the caller writes before reading any.
void* AllocBlock(std::size_t size);
void FreeBlock(void* block);

// The next `count` allocations after `skip` successful ones fail (count 0: none fail).
void FailAllocations(int skip, int count);

}  // namespace host
