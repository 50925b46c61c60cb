// The measuring kernels in SSE2: eight interleaved pixels per step through the colour matrix
// when there is one, then extremes and sums in vectors, or counts.
#include "pipeline/frame_measure_sse.h"

namespace tessaro::sse2 {

Status MeasureS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                    const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                    ChannelStats* stats) {
  return sse_measure::Measure<sse_pixels::Interleaved>(src, srcStep, size, matrix, dst, dstStep,
                                                       stats);
}

Status CountS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                  const float* matrix, std::int16_t* dst, std::int32_t dstStep, std::int32_t high,
                  std::uint32_t* const counts[3]) {
  return sse_measure::Count<sse_pixels::Interleaved>(src, srcStep, size, matrix, dst, dstStep, high,
                                                     counts);
}

}  // namespace tessaro::sse2
