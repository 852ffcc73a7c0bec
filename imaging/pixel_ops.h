// Row kernels shared by the threshold, the ordered and the error-diffusion methods.
#pragma once

#include <cstddef>

#include "host/win32_types.h"

namespace pixel_ops {

// Bit k of out (most significant first) = levels[k] > thresholds[k], for n levels. The bits
// beyond n in the last byte are 0.
void PackGreater(const BYTE* levels, const BYTE* thresholds, std::size_t n, BYTE* out);

// Bit k of out = levels[k] > level.
void PackAbove(const BYTE* levels, BYTE level, std::size_t n, BYTE* out);

// Tests switch the vector paths off to run the portable ones on the same inputs.
void UseVectorKernels(bool on);
bool VectorKernels();

}  // namespace pixel_ops
