// Per-channel mean, minimum and maximum of interleaved three-channel 16-bit images.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// means: three doubles, channel 0, 1, 2.
using MeanS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                           double* means);
// mins, maxs: three samples each, channel 0, 1, 2.
using MinMaxS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                             std::int16_t* mins, std::int16_t* maxs);

// Entries: dispatch on CpuPath.
extern MeanS16C3Fn* const MeanS16C3;
extern MinMaxS16C3Fn* const MinMaxS16C3;

// Implementations by instruction-set level.
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
