// Conversions of one-channel images between 16-bit integers and single-precision floats.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

using RoundMode = std::int32_t;
inline constexpr RoundMode RoundTowardZero = 0;
inline constexpr RoundMode RoundNearestEven = 1;
inline constexpr RoundMode RoundNearestAway = 2;  // and every other value

// For both conversions, slots may assume the entry's checks passed: no null pointer, a positive
// size, positive steps.
using ConvertS16ToF32Fn = Status(const std::int16_t* src, std::int32_t srcStep, float* dst,
                                 std::int32_t dstStep, ImageSize size);
// The SIMD slots of ConvertF32ToS16 differ from the generic slot in two places only: a
// not-a-number becomes 32767 (generic: 0), and under the away rule, which adds 0.5 in single
// precision, the float just below one half (0.49999997) becomes 1, and its negative -1
// (generic: 0). ConvertS16ToF32 gives the same bits in every slot.
using ConvertF32ToS16Fn = Status(const float* src, std::int32_t srcStep, std::int16_t* dst,
                                 std::int32_t dstStep, ImageSize size, RoundMode mode);

// The entries (convert.cpp): the argument checks, then the slot CpuPath selects.
ConvertS16ToF32Fn ConvertS16ToF32;
ConvertF32ToS16Fn ConvertF32ToS16;

namespace generic {
ConvertS16ToF32Fn ConvertS16ToF32;
ConvertF32ToS16Fn ConvertF32ToS16;
}  // namespace generic

namespace sse2 {
ConvertS16ToF32Fn ConvertS16ToF32;
ConvertF32ToS16Fn ConvertF32ToS16;
}  // namespace sse2

namespace sse41 {
ConvertS16ToF32Fn ConvertS16ToF32;
}  // namespace sse41

namespace avx2 {
ConvertS16ToF32Fn ConvertS16ToF32;
ConvertF32ToS16Fn ConvertF32ToS16;
}  // namespace avx2

}  // namespace tessaro
