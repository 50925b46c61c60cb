// Shared by every level's out-of-range replacement: argument checks and the
// one-sample steps for heads, tails and rows that never reach vector alignment. Everything
// has internal linkage, so each level file keeps its own copy compiled with its own flags.
#pragma once

#include <cstdint>
#include <cstring>

#include "primitives/replace_out_of_range.h"

namespace tessaro {
namespace {

struct S16Bounds {
  std::int16_t lowT, lowV, highT, highV;
};

struct F32Bounds {
  float lowT, lowV, highT, highV;
};

Status CheckReplaceImage(const void* image, std::int32_t step, ImageSize size) {
  if (image == nullptr) return StatusNullPointer;
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  if (step <= 0) return StatusStepError;
  return StatusOk;
}

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

}  // namespace
}  // namespace tessaro
