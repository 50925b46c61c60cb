// AVX2 16-bit out-of-range replacement: sixteen samples per compare pair and blend. As in the
// 128-bit code, the samples before a row's first 16-byte boundary go one at a time; the wide
// loads and stores after it are unaligned.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/replace_out_of_range.h"
#include "primitives/replace_out_of_range_rows.h"

namespace tessaro::avx2 {
namespace {

struct Vectors {
  __m256i lowT, lowV, highT, highV;
};

// The entry has checked low <= high, so the two masks never overlap and one OR blends.
__m256i Replace16(__m256i v, const Vectors& c) {
  const __m256i above = _mm256_cmpgt_epi16(v, c.highT);
  const __m256i below = _mm256_cmpgt_epi16(c.lowT, v);
  const __m256i keep = _mm256_andnot_si256(_mm256_or_si256(above, below), v);
  return _mm256_or_si256(
      keep, _mm256_or_si256(_mm256_and_si256(above, c.highV), _mm256_and_si256(below, c.lowV)));
}

__m128i Replace8(__m128i v, const Vectors& c) {
  const __m128i above = _mm_cmpgt_epi16(v, _mm256_castsi256_si128(c.highT));
  const __m128i below = _mm_cmplt_epi16(v, _mm256_castsi256_si128(c.lowT));
  const __m128i keep = _mm_andnot_si128(_mm_or_si128(above, below), v);
  return _mm_or_si128(keep, _mm_or_si128(_mm_and_si128(above, _mm256_castsi256_si128(c.highV)),
                                         _mm_and_si128(below, _mm256_castsi256_si128(c.lowV))));
}

}  // namespace

Status ReplaceOutOfRangeS16C1(std::int16_t* image, std::int32_t step, ImageSize size,
                              std::int32_t lowThreshold, std::int32_t lowValue,
                              std::int32_t highThreshold, std::int32_t highValue) {
  const S16Bounds b{static_cast<std::int16_t>(lowThreshold), static_cast<std::int16_t>(lowValue),
                    static_cast<std::int16_t>(highThreshold), static_cast<std::int16_t>(highValue)};
  const Vectors c{_mm256_set1_epi16(b.lowT), _mm256_set1_epi16(b.lowV), _mm256_set1_epi16(b.highT),
                  _mm256_set1_epi16(b.highV)};
  auto* base = reinterpret_cast<std::uint8_t*>(image);
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::uint8_t* row = base + static_cast<std::intptr_t>(y) * step;
    const std::int32_t lead = LeadingSamples(row, 2, size.width);
    std::int32_t x = 0;
    for (; x < lead; ++x) ReplaceOneS16(row + 2 * x, b);
    for (; x + 16 <= size.width; x += 16) {
      auto* p = reinterpret_cast<__m256i*>(row + 2 * x);
      _mm256_storeu_si256(p, Replace16(_mm256_loadu_si256(p), c));
    }
    if (x + 8 <= size.width) {
      auto* p = reinterpret_cast<__m128i*>(row + 2 * x);
      _mm_storeu_si128(p, Replace8(_mm_loadu_si128(p), c));
      x += 8;
    }
    for (; x < size.width; ++x) ReplaceOneS16(row + 2 * x, b);
  }
  _mm256_zeroupper();
  return StatusOk;
}

}  // namespace tessaro::avx2
