// SSE2 out-of-range replacement: both compare masks per vector and a mask blend.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/replace_out_of_range.h"
#include "primitives/replace_out_of_range_rows.h"

namespace tessaro::sse2 {
namespace {

// The entry has checked low <= high, so the two masks never overlap and one OR blends.
__m128i Replace8(__m128i v, __m128i lowT, __m128i lowV, __m128i highT, __m128i highV) {
  const __m128i above = _mm_cmpgt_epi16(v, highT);
  const __m128i below = _mm_cmplt_epi16(v, lowT);
  const __m128i keep = _mm_andnot_si128(_mm_or_si128(above, below), v);
  return _mm_or_si128(keep, _mm_or_si128(_mm_and_si128(above, highV), _mm_and_si128(below, lowV)));
}

__m128 Replace4(__m128 v, __m128 lowT, __m128 lowV, __m128 highT, __m128 highV) {
  const __m128 above = _mm_cmpgt_ps(v, highT);
  const __m128 below = _mm_or_ps(_mm_cmplt_ps(v, lowT), _mm_cmpunord_ps(v, v));
  const __m128 keep = _mm_andnot_ps(_mm_or_ps(above, below), v);
  return _mm_or_ps(keep, _mm_or_ps(_mm_and_ps(above, highV), _mm_and_ps(below, lowV)));
}

}  // namespace

Status ReplaceOutOfRangeS16C1(std::int16_t* image, std::int32_t step, ImageSize size,
                              std::int32_t lowThreshold, std::int32_t lowValue,
                              std::int32_t highThreshold, std::int32_t highValue) {
  const S16Bounds b{static_cast<std::int16_t>(lowThreshold), static_cast<std::int16_t>(lowValue),
                    static_cast<std::int16_t>(highThreshold), static_cast<std::int16_t>(highValue)};
  const __m128i lowT = _mm_set1_epi16(b.lowT), lowV = _mm_set1_epi16(b.lowV);
  const __m128i highT = _mm_set1_epi16(b.highT), highV = _mm_set1_epi16(b.highV);
  ReplaceRows16(image, step, size, b, [&](std::uint8_t* row, bool aligned) {
    auto* p = reinterpret_cast<__m128i*>(row);
    const __m128i v = aligned ? _mm_load_si128(p) : _mm_loadu_si128(p);
    const __m128i r = Replace8(v, lowT, lowV, highT, highV);
    if (aligned) {
      _mm_store_si128(p, r);
    } else {
      _mm_storeu_si128(p, r);
    }
  });
  return StatusOk;
}

Status ReplaceOutOfRangeF32C1(float* image, std::int32_t step, ImageSize size, float lowThreshold,
                              float lowValue, float highThreshold, float highValue) {
  const F32Bounds b{lowThreshold, lowValue, highThreshold, highValue};
  const __m128 lowT = _mm_set1_ps(lowThreshold), lowV = _mm_set1_ps(lowValue);
  const __m128 highT = _mm_set1_ps(highThreshold), highV = _mm_set1_ps(highValue);
  ReplaceRows16(image, step, size, b, [&](std::uint8_t* row, bool aligned) {
    auto* p = reinterpret_cast<float*>(row);
    const __m128 v = aligned ? _mm_load_ps(p) : _mm_loadu_ps(p);
    const __m128 r = Replace4(v, lowT, lowV, highT, highV);
    if (aligned) {
      _mm_store_ps(p, r);
    } else {
      _mm_storeu_ps(p, r);
    }
  });
  return StatusOk;
}

}  // namespace tessaro::sse2
