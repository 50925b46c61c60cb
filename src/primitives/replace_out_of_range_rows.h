// Shared by the vector code of the out-of-range replacement: the one-sample steps for heads,
// tails and rows that never reach vector alignment. Everything has internal linkage, so each
// instruction-set file keeps its own copy compiled with its own flags.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "primitives/replace_out_of_range.h"

namespace tessaro {
namespace {

struct S16Bounds {
  std::int16_t lowT, lowV, highT, highV;
};

struct F32Bounds {
  float lowT, lowV, highT, highV;
};

// Samples that stay are not written back, as in the generic code.
[[maybe_unused]] void ReplaceOneS16(std::uint8_t* p, const S16Bounds& b) {
  std::int16_t v;
  std::memcpy(&v, p, 2);
  if (v > b.highT) {
    std::memcpy(p, &b.highV, 2);
  } else if (v < b.lowT) {
    std::memcpy(p, &b.lowV, 2);
  }
}

// Ordinary float ordering, as the vector compares see it: a NaN sample fails both
// compares with the high threshold and goes to the low value.
[[maybe_unused]] void ReplaceOneF32(std::uint8_t* p, const F32Bounds& b) {
  float v;
  std::memcpy(&v, p, 4);
  if (v > b.highT) {
    std::memcpy(p, &b.highV, 4);
  } else if (v < b.lowT || v != v) {
    std::memcpy(p, &b.lowV, 4);
  }
}

// Samples before the first 16-byte boundary of a row; a row whose start is not a whole
// sample away from one never gets there and runs unaligned (-1).
[[maybe_unused]] std::int32_t LeadingSamples(const std::uint8_t* row, std::int32_t sampleBytes,
                                             std::int32_t width) {
  const auto misalign = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(row) & 15);
  if (misalign % sampleBytes != 0) return -1;
  const std::int32_t lead = ((16 - misalign) & 15) / sampleBytes;
  return lead < width ? lead : width;
}

// Every row of a 16-byte-vector slot: the samples before the first 16-byte boundary one at a
// time, whole vectors of 16 / sizeof(sample) samples (aligned when the row reaches a
// boundary), then the tail. `vector(p, aligned)` replaces one vector's samples at p.
template <typename Bounds, typename Vector>
[[maybe_unused]] void ReplaceRows16(void* image, std::int32_t step, ImageSize size, const Bounds& b,
                                    Vector vector) {
  constexpr std::int32_t kSampleBytes = std::is_same_v<Bounds, S16Bounds> ? 2 : 4;
  constexpr std::int32_t kLanes = 16 / kSampleBytes;
  const auto one = [&b](std::uint8_t* p) {
    if constexpr (kSampleBytes == 2) {
      ReplaceOneS16(p, b);
    } else {
      ReplaceOneF32(p, b);
    }
  };
  auto* base = static_cast<std::uint8_t*>(image);
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::uint8_t* row = base + static_cast<std::intptr_t>(y) * step;
    const std::int32_t lead = LeadingSamples(row, kSampleBytes, size.width);
    const bool aligned = lead >= 0;
    std::int32_t x = 0;
    for (; x < lead; ++x) one(row + kSampleBytes * x);
    for (; x + kLanes <= size.width; x += kLanes) vector(row + kSampleBytes * x, aligned);
    for (; x < size.width; ++x) one(row + kSampleBytes * x);
  }
}

}  // namespace
}  // namespace tessaro
