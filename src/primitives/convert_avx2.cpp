// AVX2 conversions between 16-bit and float one-channel images, sixteen samples per step.
// Rows may start at any byte, so every access is unaligned; tails go through a small buffer
// so that nothing outside the region is read or written.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/convert_rows.h"
#include "primitives/rounding_scope.h"

namespace tessaro::avx2 {
namespace {

void Widen16(const unsigned char* s, unsigned char* d) {
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
  _mm256_storeu_ps(reinterpret_cast<float*>(d), _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(lo)));
  _mm256_storeu_ps(reinterpret_cast<float*>(d + 32), _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(hi)));
}

void WidenRow(const unsigned char* s, unsigned char* d, std::int32_t n) {
  std::int32_t x = 0;
  for (; x + 16 <= n; x += 16) Widen16(s + 2 * x, d + 4 * x);
  if (x < n) {
    const std::size_t count = static_cast<std::size_t>(n - x);
    unsigned char in[32] = {}, out[64];
    std::memcpy(in, s + 2 * x, 2 * count);
    Widen16(in, out);
    std::memcpy(d + 4 * x, out, 4 * count);
  }
}

// Clamping first keeps cvtps2dq away from its overflow value; minps returns its second
// operand for not-a-number, so NaN becomes 32767.
__m256 Clamp(__m256 v) {
  return _mm256_max_ps(_mm256_min_ps(v, _mm256_set1_ps(32767.0f)), _mm256_set1_ps(-32768.0f));
}

// away: half away from zero by adding 0.5 to the magnitude and truncating; otherwise the
// rounding control decides.
__m256i Narrow8(__m256 v, bool away) {
  const __m256 c = Clamp(v);
  if (!away) return _mm256_cvtps_epi32(c);
  const __m256 sign = _mm256_set1_ps(-0.0f);
  const __m256 magnitude = _mm256_add_ps(_mm256_andnot_ps(sign, c), _mm256_set1_ps(0.5f));
  return _mm256_cvttps_epi32(_mm256_or_ps(magnitude, _mm256_and_ps(c, sign)));
}

void Narrow16(const unsigned char* s, unsigned char* d, bool away) {
  const __m256i lo = Narrow8(_mm256_loadu_ps(reinterpret_cast<const float*>(s)), away);
  const __m256i hi = Narrow8(_mm256_loadu_ps(reinterpret_cast<const float*>(s + 32)), away);
  // packs works per 128-bit lane: reorder the quarters back to sample order.
  const __m256i packed = _mm256_packs_epi32(lo, hi);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
                      _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)));
}

void NarrowRow(const unsigned char* s, unsigned char* d, std::int32_t n, bool away) {
  std::int32_t x = 0;
  for (; x + 16 <= n; x += 16) Narrow16(s + 4 * x, d + 2 * x, away);
  if (x < n) {
    const std::size_t count = static_cast<std::size_t>(n - x);
    unsigned char in[64] = {}, out[32];
    std::memcpy(in, s + 4 * x, 4 * count);
    Narrow16(in, out, away);
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

}  // namespace tessaro::avx2
