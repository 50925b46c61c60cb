// Per-channel mean, minimum and maximum of interleaved three-channel 16-bit images.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// For both, slots may assume the entry's checks passed: no null pointer and a positive size.
// The step is not checked. means: three doubles, channel 0, 1, 2.
using MeanS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                           double* means);
// mins, maxs: three samples each, channel 0, 1, 2.
using MinMaxS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                             std::int16_t* mins, std::int16_t* maxs);

// The entries (statistics.cpp): the argument checks, then the slot CpuPath selects.
MeanS16C3Fn MeanS16C3;
MinMaxS16C3Fn MinMaxS16C3;

// The slots' code, by instruction set.
namespace generic {
MeanS16C3Fn MeanS16C3;
MinMaxS16C3Fn MinMaxS16C3;
}  // namespace generic
namespace sse2 {
MeanS16C3Fn MeanS16C3;
MinMaxS16C3Fn MinMaxS16C3;
}  // namespace sse2
namespace avx2 {
MeanS16C3Fn MeanS16C3;
MinMaxS16C3Fn MinMaxS16C3;
}  // namespace avx2

}  // namespace tessaro
