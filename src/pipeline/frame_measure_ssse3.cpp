// The measuring kernels in SSSE3: through a colour matrix, the channel form, whose byte
// shuffles spare the matrix its own; without one, the interleaved form, which needs none.
#include "pipeline/frame_measure_sse.h"
#include "pipeline/frame_pixels_ssse3.h"

namespace tessaro::ssse3 {

Status MeasureS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                    const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                    ChannelStats* stats) {
  return sse_measure::MeasureWith<sse_pixels::Channels>(src, srcStep, size, matrix, dst, dstStep,
                                                        stats);
}

Status CountS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                  const float* matrix, std::int16_t* dst, std::int32_t dstStep, std::int32_t high,
                  std::uint32_t* const counts[3]) {
  return sse_measure::CountWith<sse_pixels::Channels>(src, srcStep, size, matrix, dst, dstStep,
                                                      high, counts);
}

}  // namespace tessaro::ssse3
