// The passes' kernels on hosts' 8-bit four-byte pixels (RGBA, BGRA, BGRX): byte statistics and
// per-byte tables for filters that work on R, G and B (a code c is the sample 16 c), and the
// exact BT.601 luma and colour differences with the pixel moves that write their changes for
// filters that work on Y, Cb and Cr. The entries check their arguments in the order given
// (null pointers, then the region, then the parameters), so the slots' code may assume them
// valid.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// Per byte position of the pixels of a region: extremes and sums.
struct ByteStats {
  std::int32_t min[4];
  std::int32_t max[4];
  std::int64_t sum[4];
};

using MeasureU8C4Fn = Status(const std::uint8_t* src, std::int32_t step, ImageSize size,
                             ByteStats* stats);
// Byte k of every pixel through tables[k] (256 entries), or copied where tables[k] is null;
// source and destination rows may be the same memory.
using LookupU8C4Fn = Status(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, ImageSize size,
                            const std::uint8_t* const tables[4]);
// out[i] = 4096 * (sum over k of weights[k] * byte k of pixel i) / divisor, rounded to the
// nearest integer, halves away from zero. The positive weights add up to 1000 at most, and
// so do the negative ones, and 31875 <= divisor <= 2^24: every result fits 16 bits.
using WeightedSumU8C4Fn = Status(const std::uint8_t* src, std::int32_t n,
                                 const std::int32_t weights[4], std::int32_t divisor,
                                 std::int16_t* out);
// dst pixel i = src pixel i with byte k moved by moves[k][i] and clamped to 0..255, or copied
// where moves[k] is null; src and dst may be the same memory.
using MoveU8C4Fn = Status(const std::uint8_t* src, std::uint8_t* dst, std::int32_t n,
                          const std::int16_t* const moves[4]);

MeasureU8C4Fn MeasureU8C4;
LookupU8C4Fn LookupU8C4;
WeightedSumU8C4Fn WeightedSumU8C4;
MoveU8C4Fn MoveU8C4;

namespace generic {
MeasureU8C4Fn MeasureU8C4;
LookupU8C4Fn LookupU8C4;
WeightedSumU8C4Fn WeightedSumU8C4;
MoveU8C4Fn MoveU8C4;
}  // namespace generic
namespace sse2 {
MeasureU8C4Fn MeasureU8C4;
WeightedSumU8C4Fn WeightedSumU8C4;
MoveU8C4Fn MoveU8C4;
}  // namespace sse2
namespace avx2 {
MeasureU8C4Fn MeasureU8C4;
WeightedSumU8C4Fn WeightedSumU8C4;
MoveU8C4Fn MoveU8C4;
}  // namespace avx2

}  // namespace tessaro
