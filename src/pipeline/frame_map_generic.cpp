// The mapping kernels as the generic colour matrix on blocks of a row and scalar lookups.
#include "pipeline/frame_blocks.h"

namespace tessaro::generic {

Status LookupS16C3(std::int16_t* image, std::int32_t step, ImageSize size,
                   const SampleLookup lookups[3]) {
  return blocks::Lookup(image, step, size, lookups);
}

Status MatrixLookupS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                         std::int32_t dstStep, ImageSize size, const float* first,
                         const SampleLookup lookups[3], const float* second) {
  return blocks::MatrixLookup<ColorMatrixS16C3>(src, srcStep, dst, dstStep, size, first, lookups,
                                                second);
}

}  // namespace tessaro::generic
