// Point arithmetic on 16-bit samples: the 3 x 4 colour matrix and constant subtraction.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// matrix: twelve floats, row-major; row c = weights of channels 0, 1, 2, then the offset.
// The one difference between slots: the generic slot forms ((offset + w0 s0) + w1 s1) + w2 s2
// in double precision, keeps it as a float and rounds it to nearest even in code; the SIMD
// slots form (offset + w0 s0) + (w1 s1 + w2 s2) in single precision and round by the rounding
// control (to nearest even, whatever the caller's mode). So they may differ by one where the
// exact sum lies within 3 * 2^-24 * (|offset| + sum |wi si|) of a half, the most single
// precision can move it; this holds while |offset| + sum |wi si| stays below 2^21.
// Slots may assume the entry's checks passed: no null pointer, a positive size, positive steps.
using ColorMatrixS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                                  std::int32_t dstStep, ImageSize size, const float* matrix);
// Only the low 16 bits of value count. scaleFactor > 0 divides by 2^f, < 0 multiplies.
// Every slot gives the same bits. Slots may assume the entry's checks passed: a non-null image
// and a positive size; the step is not checked and may be zero or negative.
using SubConstS16C1Fn = Status(std::int32_t value, std::int16_t* image, std::int32_t step,
                               ImageSize size, std::int32_t scaleFactor);

// The entries (arithmetic.cpp): the argument checks, then the slot CpuPath selects.
ColorMatrixS16C3Fn ColorMatrixS16C3;
SubConstS16C1Fn SubConstS16C1;

namespace generic {
ColorMatrixS16C3Fn ColorMatrixS16C3;
SubConstS16C1Fn SubConstS16C1;
}  // namespace generic

namespace sse2 {
ColorMatrixS16C3Fn ColorMatrixS16C3;
SubConstS16C1Fn SubConstS16C1;
}  // namespace sse2

namespace avx2 {
ColorMatrixS16C3Fn ColorMatrixS16C3;
SubConstS16C1Fn SubConstS16C1;
}  // namespace avx2

}  // namespace tessaro
