// The four-byte pixel kernels one pixel at a time: the generic slot's whole work, and the last
// pixels of a row that the vector levels leave. Internal linkage: every level's file includes
// it, and a copy compiled for one level must never serve another.
#pragma once

#include <cstdint>

#include "pipeline/picture_kernels.h"

namespace tessaro {
namespace {
namespace picture_tail {

inline void Start(ByteStats* st) {
  for (int k = 0; k < 4; ++k) {
    st->min[k] = 255;
    st->max[k] = 0;
    st->sum[k] = 0;
  }
}

inline void Measure(const std::uint8_t* p, std::int32_t n, ByteStats* st) {
  for (std::int32_t x = 0; x < n; ++x, p += 4) {
    for (int k = 0; k < 4; ++k) {
      const std::int32_t v = p[k];
      st->min[k] = v < st->min[k] ? v : st->min[k];
      st->max[k] = v > st->max[k] ? v : st->max[k];
      st->sum[k] += v;
    }
  }
}

// floor(x / (2 divisor)) for every x below 2^31 as (x * multiplier) >> shift: with
// shift = 31 + ceil(log2(2 divisor)) and the multiplier rounded up, the multiplier's excess
// times x stays below 2^shift, so the product's floor is the quotient's.
struct Divider {
  std::int32_t divisor;
  std::uint32_t multiplier;
  std::int32_t shift;
};
inline Divider DividerOf(std::int32_t divisor) {
  const std::uint64_t twice = 2 * static_cast<std::uint64_t>(divisor);
  std::int32_t bits = 0;
  while ((std::uint64_t{1} << bits) < twice) ++bits;
  const std::int32_t shift = 31 + bits;
  const std::uint64_t multiplier = ((std::uint64_t{1} << shift) + twice - 1) / twice;
  return {divisor, static_cast<std::uint32_t>(multiplier), shift};
}

// 4096 s / d to the nearest integer, halves away from zero: (8192 |s| + d) / 2d, signed.
inline std::int16_t RoundedQuotient(std::int32_t s, std::int32_t divisor) {
  const std::int64_t magnitude = s < 0 ? -std::int64_t{s} : s;
  const std::int64_t q = (8192 * magnitude + divisor) / (2 * std::int64_t{divisor});
  return static_cast<std::int16_t>(s < 0 ? -q : q);
}

inline void WeightedSum(const std::uint8_t* src, std::int32_t n, const std::int32_t weights[4],
                        std::int32_t divisor, std::int16_t* out) {
  for (std::int32_t i = 0; i < n; ++i, src += 4) {
    out[i] = RoundedQuotient(
        weights[0] * src[0] + weights[1] * src[1] + weights[2] * src[2] + weights[3] * src[3],
        divisor);
  }
}

// Pixels from..n - 1.
inline void Move(const std::uint8_t* src, std::uint8_t* dst, std::int32_t from, std::int32_t n,
                 const std::int16_t* const moves[4]) {
  for (std::int32_t i = from; i < n; ++i) {
    const std::uint8_t p[4] = {src[4 * i], src[4 * i + 1], src[4 * i + 2], src[4 * i + 3]};
    for (int k = 0; k < 4; ++k) {
      if (moves[k] == nullptr) {
        dst[4 * i + k] = p[k];
        continue;
      }
      const std::int32_t v = p[k] + moves[k][i];
      dst[4 * i + k] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
  }
}

}  // namespace picture_tail
}  // namespace
}  // namespace tessaro
