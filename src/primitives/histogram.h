// Histograms over evenly spaced levels: bin k counts level[k] <= v < level[k + 1].
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

using DataType = std::int32_t;
inline constexpr DataType DataTypeU8 = 1;
inline constexpr DataType DataTypeU16 = 5;
inline constexpr DataType DataTypeS16 = 7;
inline constexpr DataType DataTypeF32 = 13;

// "hist" read as a little-endian integer: the record is complete.
inline constexpr std::int32_t kHistogramSignature = 0x74736968;

// Caller-owned record; the level arrays follow the 48-byte header inside the same block.
// Their positions are byte offsets from the record start, so the header and the reported
// sizes are the same in 32-bit and 64-bit builds.
struct HistogramSpec {
  std::int32_t dataType;
  std::int32_t channels;
  std::int32_t uniform;
  std::int32_t signature;
  std::int32_t levelCount[4];
  std::uint32_t levelOffset[4];  // 0 for slots beyond the channel count
};
static_assert(sizeof(HistogramSpec) == 48);

// Slots may assume the entry's checks passed. HistogramGetSize: no null pointer, a positive
// size, 1, 3 or 4 channels, at least two levels per channel and a record size that fits int32;
// the data type is the slot's to report, after it has stored specSize.
using HistogramGetSizeFn = Status(DataType type, ImageSize size, const std::int32_t* nLevels,
                                  std::int32_t channels, std::int32_t hint, std::int32_t* specSize,
                                  std::int32_t* bufferSize);
// HistogramInitUniform: a known data type, no null pointer, the level counts as for
// HistogramGetSize and lower < upper on every channel (or not a number).
using HistogramInitUniformFn = Status(DataType type, const float* lower, const float* upper,
                                      const std::int32_t* nLevels, std::int32_t channels,
                                      HistogramSpec* record);
// HistogramS16C1: no null pointer, a positive size, step >= 2 * width, a signed record whose
// channel 0 has a level count a record can hold (at least two).
using HistogramS16C1Fn = Status(const std::int16_t* image, std::int32_t step, ImageSize size,
                                std::int32_t* histogram, const HistogramSpec* record,
                                std::uint8_t* buffer);
// HistogramGetLevels: a signed record and a destination for every channel that has levels.
using HistogramGetLevelsFn = Status(const HistogramSpec* record, float* const* levels);

// The entries (histogram.cpp): the argument checks, then the slot CpuPath selects.
HistogramGetSizeFn HistogramGetSize;
HistogramInitUniformFn HistogramInitUniform;
HistogramS16C1Fn HistogramS16C1;
HistogramGetLevelsFn HistogramGetLevels;

namespace generic {
HistogramGetSizeFn HistogramGetSize;
HistogramInitUniformFn HistogramInitUniform;
HistogramS16C1Fn HistogramS16C1;
HistogramGetLevelsFn HistogramGetLevels;
}  // namespace generic

// Only the counting has code of its own per instruction set; the record primitives stay
// generic.
namespace sse2 {
HistogramS16C1Fn HistogramS16C1;
}  // namespace sse2

// AVX2 brings nothing for counting; slot 6 runs this one too.
namespace avx {
HistogramS16C1Fn HistogramS16C1;
}  // namespace avx

}  // namespace tessaro
