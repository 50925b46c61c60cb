// The mapping kernels in SSE4.1: the colour matrices in the channel form split and joined with
// word blends, and between two matrices without tables to read, the samples rounded and
// clamped in floats (roundps), without a conversion to 16 bits and back.
#include "pipeline/frame_map_sse.h"
#include "pipeline/frame_pixels_sse41.h"

namespace tessaro::sse41 {

Status MatrixLookupS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                         std::int32_t dstStep, ImageSize size, const float* first,
                         const SampleLookup lookups[3], const float* second) {
  return sse_map::MatrixLookup<sse_pixels::BlendChannels>(src, srcStep, dst, dstStep, size, first,
                                                          lookups, second);
}

}  // namespace tessaro::sse41
