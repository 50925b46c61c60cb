// AVX float out-of-range replacement: eight samples per compare and blend. As in the 128-bit
// code, the samples before a row's first 16-byte boundary go one at a time; the wide loads and
// stores after it are unaligned.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/replace_out_of_range.h"
#include "primitives/replace_out_of_range_rows.h"

namespace tessaro::avx {
namespace {

struct Vectors {
  __m256 lowT, lowV, highT, highV;
};

// Ordered compares are false for a NaN sample; the unordered test sends it low. The masks
// never overlap (the entry has checked low <= high), so AND/OR blends them: GCC, given AVX
// without AVX2, expands a 256-bit blendv of compare masks into a branch per lane. The 128-bit
// blendv of Replace4 stays one instruction.
__m256 Replace8(__m256 v, const Vectors& c) {
  const __m256 below =
      _mm256_or_ps(_mm256_cmp_ps(v, c.lowT, _CMP_LT_OQ), _mm256_cmp_ps(v, v, _CMP_UNORD_Q));
  const __m256 above = _mm256_cmp_ps(v, c.highT, _CMP_GT_OQ);
  const __m256 keep = _mm256_andnot_ps(_mm256_or_ps(above, below), v);
  return _mm256_or_ps(keep,
                      _mm256_or_ps(_mm256_and_ps(above, c.highV), _mm256_and_ps(below, c.lowV)));
}

__m128 Replace4(__m128 v, const Vectors& c) {
  const __m128 below =
      _mm_or_ps(_mm_cmplt_ps(v, _mm256_castps256_ps128(c.lowT)), _mm_cmpunord_ps(v, v));
  const __m128 above = _mm_cmpgt_ps(v, _mm256_castps256_ps128(c.highT));
  return _mm_blendv_ps(_mm_blendv_ps(v, _mm256_castps256_ps128(c.lowV), below),
                       _mm256_castps256_ps128(c.highV), above);
}

}  // namespace

Status ReplaceOutOfRangeF32C1(float* image, std::int32_t step, ImageSize size, float lowThreshold,
                              float lowValue, float highThreshold, float highValue) {
  const F32Bounds b{lowThreshold, lowValue, highThreshold, highValue};
  const Vectors c{_mm256_set1_ps(lowThreshold), _mm256_set1_ps(lowValue),
                  _mm256_set1_ps(highThreshold), _mm256_set1_ps(highValue)};
  auto* base = reinterpret_cast<std::uint8_t*>(image);
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::uint8_t* row = base + static_cast<std::intptr_t>(y) * step;
    const std::int32_t lead = LeadingSamples(row, 4, size.width);
    std::int32_t x = 0;
    for (; x < lead; ++x) ReplaceOneF32(row + 4 * x, b);
    for (; x + 8 <= size.width; x += 8) {
      auto* p = reinterpret_cast<float*>(row + 4 * x);
      _mm256_storeu_ps(p, Replace8(_mm256_loadu_ps(p), c));
    }
    if (x + 4 <= size.width) {
      auto* p = reinterpret_cast<float*>(row + 4 * x);
      _mm_storeu_ps(p, Replace4(_mm_loadu_ps(p), c));
      x += 4;
    }
    for (; x < size.width; ++x) ReplaceOneF32(row + 4 * x, b);
  }
  _mm256_zeroupper();
  return StatusOk;
}

}  // namespace tessaro::avx
