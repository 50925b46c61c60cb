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
  if (const Status status = CheckReplaceImage(image, step, size); status != StatusOk) {
    return status;
  }
  if (lowThreshold > highThreshold) return StatusThresholdError;
  const F32Bounds b{lowThreshold, lowValue, highThreshold, highValue};
  const __m128 lowT = _mm_set1_ps(lowThreshold), lowV = _mm_set1_ps(lowValue);
  const __m128 highT = _mm_set1_ps(highThreshold), highV = _mm_set1_ps(highValue);
  auto* base = reinterpret_cast<std::uint8_t*>(image);
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::uint8_t* row = base + static_cast<std::intptr_t>(y) * step;
    const std::int32_t lead = LeadingSamples(row, 4, size.width);
    std::int32_t x = 0;
    if (lead >= 0) {
      for (; x < lead; ++x) ReplaceOneF32(row + 4 * x, b);
      for (; x + 4 <= size.width; x += 4) {
        auto* p = reinterpret_cast<float*>(row + 4 * x);
        _mm_store_ps(p, Replace4(_mm_load_ps(p), lowT, lowV, highT, highV));
      }
    } else {
      for (; x + 4 <= size.width; x += 4) {
        auto* p = reinterpret_cast<float*>(row + 4 * x);
        _mm_storeu_ps(p, Replace4(_mm_loadu_ps(p), lowT, lowV, highT, highV));
      }
    }
    for (; x < size.width; ++x) ReplaceOneF32(row + 4 * x, b);
  }
  return StatusOk;
}

}  // namespace tessaro::sse41
