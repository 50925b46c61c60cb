// Conversions of one-channel images between 16-bit integers and single-precision floats.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

using RoundMode = std::int32_t;
inline constexpr RoundMode RoundTowardZero = 0;
inline constexpr RoundMode RoundNearestEven = 1;
inline constexpr RoundMode RoundNearestAway = 2;  // and every other value

using ConvertS16ToF32Fn = Status(const std::int16_t* src, std::int32_t srcStep, float* dst,
                                 std::int32_t dstStep, ImageSize size);
using ConvertF32ToS16Fn = Status(const float* src, std::int32_t srcStep, std::int16_t* dst,
                                 std::int32_t dstStep, ImageSize size, RoundMode mode);

extern ConvertS16ToF32Fn* const ConvertS16ToF32;
extern ConvertF32ToS16Fn* const ConvertF32ToS16;

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
