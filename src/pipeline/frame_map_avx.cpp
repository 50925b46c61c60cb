// The mapping kernels in AVX: the colour matrices in 256-bit floats on the channel form, and
// between two matrices without tables to read, the samples rounded and clamped in floats.
#include "pipeline/frame_map_sse.h"
#include "pipeline/frame_pixels_avx.h"

namespace tessaro::avx {

Status MatrixLookupS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                         std::int32_t dstStep, ImageSize size, const float* first,
                         const SampleLookup lookups[3], const float* second) {
  return sse_map::MatrixLookup<sse_pixels::WideChannels>(src, srcStep, dst, dstStep, size, first,
                                                         lookups, second);
}

}  // namespace tessaro::avx
