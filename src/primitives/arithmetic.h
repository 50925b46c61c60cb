// Point arithmetic on 16-bit samples: the 3 x 4 colour matrix and constant subtraction.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// matrix: twelve floats, row-major; row c = weights of channels 0, 1, 2, then the offset.
using ColorMatrixS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                                  std::int32_t dstStep, ImageSize size, const float* matrix);
// Only the low 16 bits of value count. scaleFactor > 0 divides by 2^f, < 0 multiplies.
using SubConstS16C1Fn = Status(std::int32_t value, std::int16_t* image, std::int32_t step,
                               ImageSize size, std::int32_t scaleFactor);

extern ColorMatrixS16C3Fn* const ColorMatrixS16C3;
extern SubConstS16C1Fn* const SubConstS16C1;

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
