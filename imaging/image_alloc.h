// The container's one way to get memory, so that tests can make any allocation fail.
#pragma once

#include <cstddef>

void* ImageAlloc(std::size_t bytes);
