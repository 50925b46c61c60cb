// The mapping kernels in SSSE3: the colour matrices in the channel form, whose byte shuffles
// spare the matrix its own; lookups alone in the interleaved form, which needs none.
#include "pipeline/frame_map_sse.h"
#include "pipeline/frame_pixels_ssse3.h"

namespace tessaro::ssse3 {

Status MatrixLookupS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                         std::int32_t dstStep, ImageSize size, const float* first,
                         const SampleLookup lookups[3], const float* second) {
  return sse_map::MatrixLookup<sse_pixels::Channels>(src, srcStep, dst, dstStep, size, first,
                                                     lookups, second);
}

}  // namespace tessaro::ssse3
