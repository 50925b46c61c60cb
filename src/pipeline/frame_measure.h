// The frame pipeline's measuring kernels: one read of an interleaved three-channel image
// gives everything a frame's parameters need, optionally of the image taken through a colour
// matrix first. A matrix is applied exactly as ColorMatrixS16C3 in the same slot applies it,
// so that the generic slot keeps its explicit rounding and left-to-right sum. The entries
// check their arguments in the order given (null src or output, then the region, then high),
// so the slots' code may assume them valid.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// Exact per-channel extremes and integer sums of a region, channel 0, 1, 2.
struct ChannelStats {
  std::int16_t min[3];
  std::int16_t max[3];
  std::int64_t sum[3];
};

// stats receives the region's own statistics. matrix: twelve floats as ColorMatrixS16C3
// takes them, or null to measure the samples as they are. When dst is not null, the samples
// measured (those of the matrix, saturated to 16 bits) are also written there, rows dstStep
// bytes apart, so that a later pass need not convert the image again.
using MeasureS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                              const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                              ChannelStats* stats);
// Each channel c with counts[c] non-null: every sample of the region through the matrix,
// clamped into 0..high, adds one to counts[c][sample]. counts[c] holds high + 1 counters;
// they are added to, never cleared. 0 < high < 32767. dst as for MeasureS16C3: the samples
// before the clamp.
using CountS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                            const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                            std::int32_t high, std::uint32_t* const counts[3]);

MeasureS16C3Fn MeasureS16C3;
CountS16C3Fn CountS16C3;

namespace generic {
MeasureS16C3Fn MeasureS16C3;
CountS16C3Fn CountS16C3;
}  // namespace generic
namespace sse2 {
MeasureS16C3Fn MeasureS16C3;
CountS16C3Fn CountS16C3;
}  // namespace sse2
namespace ssse3 {
MeasureS16C3Fn MeasureS16C3;
CountS16C3Fn CountS16C3;
}  // namespace ssse3
namespace sse41 {
MeasureS16C3Fn MeasureS16C3;
CountS16C3Fn CountS16C3;
}  // namespace sse41
namespace avx {
MeasureS16C3Fn MeasureS16C3;
CountS16C3Fn CountS16C3;
}  // namespace avx
namespace avx2 {
MeasureS16C3Fn MeasureS16C3;
}  // namespace avx2

}  // namespace tessaro
