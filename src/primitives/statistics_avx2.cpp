// Per-channel mean, minimum and maximum of interleaved three-channel 16-bit images, AVX2.
#include <immintrin.h>

#include <cstdint>

#include "primitives/rounding.h"
#include "primitives/statistics.h"

namespace tessaro::avx2 {
namespace {

// Sixteen pixels (48 samples) per step in three vectors. Each 32-bit lane of a sum gains two
// samples per step, so 262,144 pixels add at most 2 x 32,768 x 16,384 = 2^30 to a lane.
constexpr std::int32_t kPixelsPerStep = 16;
constexpr std::int32_t kFlushPixels = 262144;

// Sum k holds, in 32-bit lane j, samples of channel (2j + k) mod 3.
void FlushSums(__m256i sums[3], std::int64_t total[3]) {
  for (int k = 0; k < 3; ++k) {
    alignas(32) std::int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sums[k]);
    for (int j = 0; j < 8; ++j) total[(2 * j + k) % 3] += lanes[j];
    sums[k] = _mm256_setzero_si256();
  }
}

// Vector k holds, in 16-bit lane i, a sample of channel (16k + i) mod 3.
void FoldMinMax(const __m256i lo[3], const __m256i hi[3], std::int16_t mins[3],
                std::int16_t maxs[3]) {
  for (int k = 0; k < 3; ++k) {
    alignas(32) std::int16_t l[16], h[16];
    _mm256_store_si256(reinterpret_cast<__m256i*>(l), lo[k]);
    _mm256_store_si256(reinterpret_cast<__m256i*>(h), hi[k]);
    for (int i = 0; i < 16; ++i) {
      const int c = (16 * k + i) % 3;
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
  // vpmaddwd against 1,0 / 0,1 pairs picks the even / odd samples as 32-bit values.
  const __m256i even = _mm256_set1_epi32(1);
  const __m256i odd = _mm256_set1_epi32(1 << 16);
  const std::int32_t steps = size.width / kPixelsPerStep;
  std::int64_t total[3] = {0, 0, 0};
  __m256i sums[3] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  std::int32_t pending = 0;  // pixels in sums since the last flush
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* p = RowAt(src, srcStep, y);
    for (std::int32_t s = 0; s < steps; ++s, p += 3 * kPixelsPerStep) {
      if (pending == kFlushPixels) {
        FlushSums(sums, total);
        pending = 0;
      }
      const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16));
      const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
      sums[0] = _mm256_add_epi32(
          sums[0], _mm256_add_epi32(_mm256_madd_epi16(v0, even), _mm256_madd_epi16(v2, odd)));
      sums[1] = _mm256_add_epi32(
          sums[1], _mm256_add_epi32(_mm256_madd_epi16(v0, odd), _mm256_madd_epi16(v1, even)));
      sums[2] = _mm256_add_epi32(
          sums[2], _mm256_add_epi32(_mm256_madd_epi16(v1, odd), _mm256_madd_epi16(v2, even)));
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
  __m256i vlo[3], vhi[3];
  for (int k = 0; k < 3; ++k) {
    vlo[k] = _mm256_set1_epi16(INT16_MAX);
    vhi[k] = _mm256_set1_epi16(INT16_MIN);
  }
  const std::int32_t steps = size.width / kPixelsPerStep;
  std::int64_t unchecked = 0;  // pixels scanned since the last early-stop test
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* p = RowAt(src, srcStep, y);
    for (std::int32_t s = 0; s < steps; ++s, p += 3 * kPixelsPerStep) {
      for (int k = 0; k < 3; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16 * k));
        vlo[k] = _mm256_min_epi16(vlo[k], v);
        vhi[k] = _mm256_max_epi16(vhi[k], v);
      }
    }
    for (std::int32_t x = steps * kPixelsPerStep; x < size.width; ++x, p += 3) {
      for (int c = 0; c < 3; ++c) {
        if (p[c] < lo[c]) lo[c] = p[c];
        if (p[c] > hi[c]) hi[c] = p[c];
      }
    }
    // Folding costs about as much as 128 pixels; test for the early stop no more often.
    unchecked += size.width;
    if (unchecked >= 128) {
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

}  // namespace tessaro::avx2
