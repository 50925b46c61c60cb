// SSE4.1 float out-of-range replacement: the masks select with blendv.
#include <smmintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/replace_out_of_range.h"
#include "primitives/replace_out_of_range_rows.h"

namespace tessaro::sse41 {
namespace {

// A NaN sample fails every ordered compare; the unordered test sends it low.
__m128 Replace4(__m128 v, __m128 lowT, __m128 lowV, __m128 highT, __m128 highV) {
  const __m128 below = _mm_or_ps(_mm_cmplt_ps(v, lowT), _mm_cmpunord_ps(v, v));
  return _mm_blendv_ps(_mm_blendv_ps(v, lowV, below), highV, _mm_cmpgt_ps(v, highT));
}

}  // namespace

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

}  // namespace tessaro::sse41
