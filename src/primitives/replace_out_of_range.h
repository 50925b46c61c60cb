// In-place replacement of samples outside a threshold range (clamps, as the filters use it).
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// Only the low 16 bits of each threshold and value count. For both, slots may assume the
// entry's checks passed: a non-null image, a positive size and step, low threshold <= high
// threshold (for floats as an ordinary comparison, so a NaN threshold passes).
using ReplaceOutOfRangeS16C1Fn = Status(std::int16_t* image, std::int32_t step, ImageSize size,
                                        std::int32_t lowThreshold, std::int32_t lowValue,
                                        std::int32_t highThreshold, std::int32_t highValue);
// The generic slot orders floats by their bits, the SIMD slots compare them as numbers. That
// differs in two places only: a -0.0 sample under a low threshold of +0.0 stays (generic: it
// takes the low value), and every not-a-number sample takes the low value (generic: it goes by
// its sign bit, beyond the infinity of that sign). ReplaceOutOfRangeS16C1 gives the same bits
// in every slot.
using ReplaceOutOfRangeF32C1Fn = Status(float* image, std::int32_t step, ImageSize size,
                                        float lowThreshold, float lowValue, float highThreshold,
                                        float highValue);

// The entries (replace_out_of_range.cpp): the argument checks, then the slot CpuPath selects.
ReplaceOutOfRangeS16C1Fn ReplaceOutOfRangeS16C1;
ReplaceOutOfRangeF32C1Fn ReplaceOutOfRangeF32C1;

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
