// The mapping kernels in SSE2: eight interleaved pixels per step, clamps and table indices in
// vectors, table entries read one by one, and the colour matrices on the vectors.
#include "pipeline/frame_map_sse.h"

namespace tessaro::sse2 {

Status LookupS16C3(std::int16_t* image, std::int32_t step, ImageSize size,
                   const SampleLookup lookups[3]) {
  return sse_map::Lookup(image, step, size, lookups);
}

Status MatrixLookupS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                         std::int32_t dstStep, ImageSize size, const float* first,
                         const SampleLookup lookups[3], const float* second) {
  return sse_map::MatrixLookup<sse_pixels::Interleaved>(src, srcStep, dst, dstStep, size, first,
                                                        lookups, second);
}

}  // namespace tessaro::sse2
