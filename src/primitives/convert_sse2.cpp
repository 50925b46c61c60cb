// SSE2 conversions between 16-bit and float one-channel images, eight samples per step.
// Rows may start at any byte, so every access is unaligned; tails go through a small buffer
// so that nothing outside the region is read or written.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/convert_rows.h"
#include "primitives/rounding_scope.h"

namespace tessaro::sse2 {
namespace {

void Widen8(const unsigned char* s, unsigned char* d) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  // Each sample lands in the high half of a 32-bit lane; the arithmetic shift sign-extends.
  const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
  const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
  _mm_storeu_ps(reinterpret_cast<float*>(d), _mm_cvtepi32_ps(lo));
  _mm_storeu_ps(reinterpret_cast<float*>(d + 16), _mm_cvtepi32_ps(hi));
}

void WidenRow(const unsigned char* s, unsigned char* d, std::int32_t n) {
  std::int32_t x = 0;
  for (; x + 8 <= n; x += 8) Widen8(s + 2 * x, d + 4 * x);
  if (x < n) {
    const std::size_t count = static_cast<std::size_t>(n - x);
    unsigned char in[16] = {}, out[32];
    std::memcpy(in, s + 2 * x, 2 * count);
    Widen8(in, out);
    std::memcpy(d + 4 * x, out, 4 * count);
  }
}

// Clamping first keeps cvtps2dq away from its overflow value; minps returns its second
// operand for not-a-number, so NaN becomes 32767.
__m128 Clamp(__m128 v) {
  return _mm_max_ps(_mm_min_ps(v, _mm_set1_ps(32767.0f)), _mm_set1_ps(-32768.0f));
}

// away: half away from zero by adding 0.5 to the magnitude and truncating; otherwise the
// rounding control decides.
__m128i Narrow4(__m128 v, bool away) {
  const __m128 c = Clamp(v);
  if (!away) return _mm_cvtps_epi32(c);
  const __m128 sign = _mm_set1_ps(-0.0f);
  const __m128 magnitude = _mm_add_ps(_mm_andnot_ps(sign, c), _mm_set1_ps(0.5f));
  return _mm_cvttps_epi32(_mm_or_ps(magnitude, _mm_and_ps(c, sign)));
}

void Narrow8(const unsigned char* s, unsigned char* d, bool away) {
  const __m128i lo = Narrow4(_mm_loadu_ps(reinterpret_cast<const float*>(s)), away);
  const __m128i hi = Narrow4(_mm_loadu_ps(reinterpret_cast<const float*>(s + 16)), away);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packs_epi32(lo, hi));
}

void NarrowRow(const unsigned char* s, unsigned char* d, std::int32_t n, bool away) {
  std::int32_t x = 0;
  for (; x + 8 <= n; x += 8) Narrow8(s + 4 * x, d + 2 * x, away);
  if (x < n) {
    const std::size_t count = static_cast<std::size_t>(n - x);
    unsigned char in[32] = {}, out[16];
    std::memcpy(in, s + 4 * x, 4 * count);
    Narrow8(in, out, away);
    std::memcpy(d + 2 * x, out, 2 * count);
  }
}

}  // namespace

Status ConvertS16ToF32(const std::int16_t* src, std::int32_t srcStep, float* dst,
                       std::int32_t dstStep, ImageSize size) {
  ForEachRow(src, srcStep, dst, dstStep, MergeContiguousRows(srcStep, dstStep, size), WidenRow);
  return StatusOk;
}

Status ConvertF32ToS16(const float* src, std::int32_t srcStep, std::int16_t* dst,
                       std::int32_t dstStep, ImageSize size, RoundMode mode) {
  const bool away = mode != RoundTowardZero && mode != RoundNearestEven;
  // The away rule's addition must round to nearest as well.
  const RoundingScope rounding(mode == RoundTowardZero ? kRoundTowardZero : kRoundNearest);
  ForEachRow(src, srcStep, dst, dstStep, MergeContiguousRows(dstStep, srcStep, size),
             [away](const unsigned char* s, unsigned char* d, std::int32_t n) {
               NarrowRow(s, d, n, away);
             });
  return StatusOk;
}

}  // namespace tessaro::sse2
