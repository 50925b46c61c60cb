// Copies between interleaved three-channel images and three one-channel planes, SSE2.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy_rows.h"

namespace tessaro::sse2 {
namespace {

__m128i Load(const std::int16_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
void Store(std::int16_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Sixteen pixels in six vectors. Four rounds of pairing vector i with vector i + 3 through
// unpacklo/unpackhi turn the interleaved order into channel order (vectors 0-1 channel 0,
// 2-3 channel 1, 4-5 channel 2).
void SplitRow(const std::int16_t* s, std::int16_t* d0, std::int16_t* d1, std::int16_t* d2,
              std::ptrdiff_t n) {
  std::ptrdiff_t x = 0;
  for (; x + 16 <= n; x += 16, s += 48) {
    __m128i v[6];
    for (int i = 0; i < 6; ++i) v[i] = Load(s + 8 * i);
    for (int round = 0; round < 4; ++round) {
      __m128i w[6];
      for (int i = 0; i < 3; ++i) {
        w[2 * i] = _mm_unpacklo_epi16(v[i], v[i + 3]);
        w[2 * i + 1] = _mm_unpackhi_epi16(v[i], v[i + 3]);
      }
      for (int i = 0; i < 6; ++i) v[i] = w[i];
    }
    Store(d0 + x, v[0]);
    Store(d0 + x + 8, v[1]);
    Store(d1 + x, v[2]);
    Store(d1 + x + 8, v[3]);
    Store(d2 + x, v[4]);
    Store(d2 + x + 8, v[5]);
  }
  SplitSamples(s, d0 + x, d1 + x, d2 + x, n - x);
}

// [a0 b0 c0 0 a1 b1 c1 0] -> [a0 b0 c0 a1 b1 c1 0 0]: two pixels in the low 12 bytes.
__m128i PackPixelPair(__m128i v) {
  return _mm_or_si128(_mm_move_epi64(v), _mm_slli_si128(_mm_srli_si128(v, 8), 6));
}

void MergeRow(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
              std::int16_t* d, std::ptrdiff_t n) {
  const __m128i zero = _mm_setzero_si128();
  std::ptrdiff_t x = 0;
  for (; x + 8 <= n; x += 8, d += 24) {
    const __m128i a = Load(p0 + x), b = Load(p1 + x), c = Load(p2 + x);
    const __m128i abLo = _mm_unpacklo_epi16(a, b), abHi = _mm_unpackhi_epi16(a, b);
    const __m128i cLo = _mm_unpacklo_epi16(c, zero), cHi = _mm_unpackhi_epi16(c, zero);
    const __m128i q0 = PackPixelPair(_mm_unpacklo_epi32(abLo, cLo));
    const __m128i q1 = PackPixelPair(_mm_unpackhi_epi32(abLo, cLo));
    const __m128i q2 = PackPixelPair(_mm_unpacklo_epi32(abHi, cHi));
    const __m128i q3 = PackPixelPair(_mm_unpackhi_epi32(abHi, cHi));
    Store(d, _mm_or_si128(q0, _mm_slli_si128(q1, 12)));
    Store(d + 8, _mm_or_si128(_mm_srli_si128(q1, 4), _mm_slli_si128(q2, 8)));
    Store(d + 16, _mm_or_si128(_mm_srli_si128(q2, 8), _mm_slli_si128(q3, 4)));
  }
  MergeSamples(p0 + x, p1 + x, p2 + x, d, n - x);
}

}  // namespace

Status SplitS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* const* planes,
                  std::int32_t planeStep, ImageSize size) {
  return SplitRows<SplitRow>(src, srcStep, planes, planeStep, size);
}

Status MergeS16C3(const std::int16_t* const* planes, std::int32_t planeStep, std::int16_t* dst,
                  std::int32_t dstStep, ImageSize size) {
  return MergeRows<MergeRow>(planes, planeStep, dst, dstStep, size);
}

}  // namespace tessaro::sse2
