// The measuring kernels as the SSE2 colour matrix on blocks of a row, then scalar statistics and
// counts.
#include "pipeline/frame_blocks.h"

namespace tessaro::sse2 {

Status MeasureS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                    const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                    ChannelStats* stats) {
  return blocks::Measure<ColorMatrixS16C3>(src, srcStep, size, matrix, dst, dstStep, stats);
}

Status CountS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                  const float* matrix, std::int16_t* dst, std::int32_t dstStep, std::int32_t high,
                  std::uint32_t* const counts[3]) {
  return blocks::Count<ColorMatrixS16C3>(src, srcStep, size, matrix, dst, dstStep, high, counts);
}

}  // namespace tessaro::sse2
