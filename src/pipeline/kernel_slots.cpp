// Which implementation each code path runs for the frame pipeline's kernels, as the
// primitives' grid says it for theirs; every kernel applies the colour matrix of its slot's
// ColorMatrixS16C3. Then the kernels' entries: the arguments checked once, then the slot.
#include "pipeline/kernel_slots.h"

#include "primitives/slot_grid.h"

namespace tessaro {
namespace slots {

// AVX2 counts and looks up as the path below it does: its own kernels, with 8-lane gathers and
// 16-bit counters, lost on every one measured (1080p, one thread, an AMD EPYC): luma lookups
// 1.27 ms against 0.89, RGB between the matrices 5.3 against 4.9, counts 4.2 against 3.4 and
// 6.2 against 3.6 on a flat frame. Intel's microcode against Gather Data Sampling also slows
// gathers on many of its processors.
// clang-format off
// CpuPath:                             0        1        2        3        4        5        6
//                                      generic  SSE2     SSSE3    SSSE3    SSE4.1   AVX      AVX2
//                                                                 +MOVBE
TESSARO_SLOTS(MeasureS16C3,             generic, sse2,    ssse3,   ssse3,   sse41,   avx,     avx2);
TESSARO_SLOTS(CountS16C3,               generic, sse2,    ssse3,   ssse3,   sse41,   avx,     avx);
TESSARO_SLOTS(LookupS16C3,              generic, sse2,    sse2,    sse2,    sse2,    sse2,    sse2);
TESSARO_SLOTS(MatrixLookupS16C3,        generic, sse2,    ssse3,   ssse3,   sse41,   avx,     avx);
// Four-byte pixels: 16-bit integer work, which AVX widens only with AVX2. Table lookups of bytes
// stay scalar: without gathers a vector would only take them apart again.
TESSARO_SLOTS(MeasureU8C4,              generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(LookupU8C4,               generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS(WeightedSumU8C4,          generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(MoveU8C4,                 generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
// clang-format on

}  // namespace slots

namespace {

Status CheckRegion(const void* src, const void* out, ImageSize size) {
  if (src == nullptr || out == nullptr) return StatusNullPointer;
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  return StatusOk;
}

}  // namespace

Status MeasureS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                    const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                    ChannelStats* stats) {
  if (const Status s = CheckRegion(src, stats, size); s != StatusOk) return s;
  return CallSlot(slots::MeasureS16C3, src, srcStep, size, matrix, dst, dstStep, stats);
}

Status CountS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                  const float* matrix, std::int16_t* dst, std::int32_t dstStep, std::int32_t high,
                  std::uint32_t* const counts[3]) {
  if (const Status s = CheckRegion(src, counts, size); s != StatusOk) return s;
  if (high <= 0 || high >= 32767) return StatusRangeError;
  return CallSlot(slots::CountS16C3, src, srcStep, size, matrix, dst, dstStep, high, counts);
}

Status LookupS16C3(std::int16_t* image, std::int32_t step, ImageSize size,
                   const SampleLookup lookups[3]) {
  if (const Status s = CheckRegion(image, lookups, size); s != StatusOk) return s;
  return CallSlot(slots::LookupS16C3, image, step, size, lookups);
}

Status MatrixLookupS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                         std::int32_t dstStep, ImageSize size, const float* first,
                         const SampleLookup lookups[3], const float* second) {
  if (const Status s = CheckRegion(src, dst, size); s != StatusOk) return s;
  if (lookups == nullptr || second == nullptr) return StatusNullPointer;
  return CallSlot(slots::MatrixLookupS16C3, src, srcStep, dst, dstStep, size, first, lookups,
                  second);
}

Status MeasureU8C4(const std::uint8_t* src, std::int32_t step, ImageSize size, ByteStats* stats) {
  if (const Status s = CheckRegion(src, stats, size); s != StatusOk) return s;
  return CallSlot(slots::MeasureU8C4, src, step, size, stats);
}

Status LookupU8C4(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                  std::int32_t dstStep, ImageSize size, const std::uint8_t* const tables[4]) {
  if (tables == nullptr) return StatusNullPointer;
  if (const Status s = CheckRegion(src, dst, size); s != StatusOk) return s;
  return CallSlot(slots::LookupU8C4, src, srcStep, dst, dstStep, size, tables);
}

Status WeightedSumU8C4(const std::uint8_t* src, std::int32_t n, const std::int32_t weights[4],
                       std::int32_t divisor, std::int16_t* out) {
  if (weights == nullptr) return StatusNullPointer;
  if (const Status s = CheckRegion(src, out, ImageSize{n, 1}); s != StatusOk) return s;
  std::int64_t rise = 0, fall = 0;
  for (int k = 0; k < 4; ++k)
    (weights[k] < 0 ? fall : rise) += weights[k] < 0 ? -std::int64_t{weights[k]} : weights[k];
  if (rise > 1000 || fall > 1000 || divisor < 31875 || divisor > (1 << 24)) return StatusRangeError;
  return CallSlot(slots::WeightedSumU8C4, src, n, weights, divisor, out);
}

Status MoveU8C4(const std::uint8_t* src, std::uint8_t* dst, std::int32_t n,
                const std::int16_t* const moves[4]) {
  if (moves == nullptr) return StatusNullPointer;
  if (const Status s = CheckRegion(src, dst, ImageSize{n, 1}); s != StatusOk) return s;
  return CallSlot(slots::MoveU8C4, src, dst, n, moves);
}

}  // namespace tessaro
