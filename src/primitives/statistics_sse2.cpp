// Per-channel mean, minimum and maximum of interleaved three-channel 16-bit images, SSE2.
#include <emmintrin.h>

#include <cstdint>

#include "primitives/rounding.h"
#include "primitives/statistics.h"

namespace tessaro::sse2 {
namespace {

// Eight pixels (24 samples) per step in three vectors. Each 32-bit lane of a sum gains two
// samples per step, so 131,072 pixels add at most 2 x 32,768 x 16,384 = 2^30 to a lane.
constexpr std::int32_t kPixelsPerStep = 8;
constexpr std::int32_t kFlushPixels = 131072;

// Sum k holds, in 32-bit lane j, samples of channel (2j + k) mod 3.
void FlushSums(__m128i sums[3], std::int64_t total[3]) {
  for (int k = 0; k < 3; ++k) {
    alignas(16) std::int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums[k]);
    for (int j = 0; j < 4; ++j) total[(2 * j + k) % 3] += lanes[j];
    sums[k] = _mm_setzero_si128();
  }
}

// Vector k holds, in 16-bit lane i, a sample of channel (8k + i) mod 3.
void FoldMinMax(const __m128i lo[3], const __m128i hi[3], std::int16_t mins[3],
                std::int16_t maxs[3]) {
  for (int k = 0; k < 3; ++k) {
    alignas(16) std::int16_t l[8], h[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(l), lo[k]);
    _mm_store_si128(reinterpret_cast<__m128i*>(h), hi[k]);
    for (int i = 0; i < 8; ++i) {
      const int c = (8 * k + i) % 3;
      if (l[i] < mins[c]) mins[c] = l[i];
      if (h[i] > maxs[c]) maxs[c] = h[i];
    }
  }
}

bool AtBothEnds(const std::int16_t mins[3], const std::int16_t maxs[3]) {
  return mins[0] == INT16_MIN && mins[1] == INT16_MIN && mins[2] == INT16_MIN &&
         maxs[0] == INT16_MAX && maxs[1] == INT16_MAX && maxs[2] == INT16_MAX;
}

}  // namespace

Status MeanS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size, double* means) {
  // pmaddwd against 1,0 / 0,1 pairs picks the even / odd samples as 32-bit values.
  const __m128i even = _mm_set1_epi32(1);
  const __m128i odd = _mm_set1_epi32(1 << 16);
  const std::int32_t steps = size.width / kPixelsPerStep;
  std::int64_t total[3] = {0, 0, 0};
  __m128i sums[3] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
  std::int32_t pending = 0;  // pixels in sums since the last flush
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* p = RowAt(src, srcStep, y);
    for (std::int32_t s = 0; s < steps; ++s, p += 3 * kPixelsPerStep) {
      if (pending == kFlushPixels) {
        FlushSums(sums, total);
        pending = 0;
      }
      const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
      const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
      sums[0] =
          _mm_add_epi32(sums[0], _mm_add_epi32(_mm_madd_epi16(v0, even), _mm_madd_epi16(v1, odd)));
      sums[1] =
          _mm_add_epi32(sums[1], _mm_add_epi32(_mm_madd_epi16(v0, odd), _mm_madd_epi16(v2, even)));
      sums[2] =
          _mm_add_epi32(sums[2], _mm_add_epi32(_mm_madd_epi16(v1, even), _mm_madd_epi16(v2, odd)));
      pending += kPixelsPerStep;
    }
    for (std::int32_t x = steps * kPixelsPerStep; x < size.width; ++x, p += 3) {
      total[0] += p[0];
      total[1] += p[1];
      total[2] += p[2];
    }
  }
  FlushSums(sums, total);
  const double r = 1.0 / static_cast<double>(static_cast<std::int64_t>(size.width) * size.height);
  for (int c = 0; c < 3; ++c) means[c] = static_cast<double>(total[c]) * r;
  return StatusOk;
}

Status MinMaxS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                   std::int16_t* mins, std::int16_t* maxs) {
  std::int16_t lo[3] = {src[0], src[1], src[2]};
  std::int16_t hi[3] = {src[0], src[1], src[2]};
  __m128i vlo[3], vhi[3];
  for (int k = 0; k < 3; ++k) {
    vlo[k] = _mm_set1_epi16(INT16_MAX);
    vhi[k] = _mm_set1_epi16(INT16_MIN);
  }
  const std::int32_t steps = size.width / kPixelsPerStep;
  std::int64_t unchecked = 0;  // pixels scanned since the last early-stop test
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* p = RowAt(src, srcStep, y);
    for (std::int32_t s = 0; s < steps; ++s, p += 3 * kPixelsPerStep) {
      for (int k = 0; k < 3; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * k));
        vlo[k] = _mm_min_epi16(vlo[k], v);
        vhi[k] = _mm_max_epi16(vhi[k], v);
      }
    }
    for (std::int32_t x = steps * kPixelsPerStep; x < size.width; ++x, p += 3) {
      for (int c = 0; c < 3; ++c) {
        if (p[c] < lo[c]) lo[c] = p[c];
        if (p[c] > hi[c]) hi[c] = p[c];
      }
    }
    // Folding costs about as much as 64 pixels; test for the early stop no more often.
    unchecked += size.width;
    if (unchecked >= 64) {
      unchecked = 0;
      FoldMinMax(vlo, vhi, lo, hi);
      if (AtBothEnds(lo, hi)) break;
    }
  }
  FoldMinMax(vlo, vhi, lo, hi);
  for (int c = 0; c < 3; ++c) {
    mins[c] = lo[c];
    maxs[c] = hi[c];
  }
  return StatusOk;
}

}  // namespace tessaro::sse2
