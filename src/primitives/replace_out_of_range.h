// In-place replacement of samples outside a threshold range (clamps, as the filters use it).
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// Only the low 16 bits of each threshold and value count.
using ReplaceOutOfRangeS16C1Fn = Status(std::int16_t* image, std::int32_t step, ImageSize size,
                                        std::int32_t lowThreshold, std::int32_t lowValue,
                                        std::int32_t highThreshold, std::int32_t highValue);
using ReplaceOutOfRangeF32C1Fn = Status(float* image, std::int32_t step, ImageSize size,
                                        float lowThreshold, float lowValue, float highThreshold,
                                        float highValue);

extern ReplaceOutOfRangeS16C1Fn* const ReplaceOutOfRangeS16C1;
extern ReplaceOutOfRangeF32C1Fn* const ReplaceOutOfRangeF32C1;

namespace generic {
ReplaceOutOfRangeS16C1Fn ReplaceOutOfRangeS16C1;
ReplaceOutOfRangeF32C1Fn ReplaceOutOfRangeF32C1;
}  // namespace generic

namespace sse2 {
ReplaceOutOfRangeS16C1Fn ReplaceOutOfRangeS16C1;
ReplaceOutOfRangeF32C1Fn ReplaceOutOfRangeF32C1;
}  // namespace sse2

namespace sse41 {
ReplaceOutOfRangeF32C1Fn ReplaceOutOfRangeF32C1;
}  // namespace sse41

// 256-bit float compares and blends need AVX only.
namespace avx {
ReplaceOutOfRangeF32C1Fn ReplaceOutOfRangeF32C1;
}  // namespace avx

namespace avx2 {
ReplaceOutOfRangeS16C1Fn ReplaceOutOfRangeS16C1;
}  // namespace avx2

}  // namespace tessaro
