// The four-byte pixel kernels in SSE2: byte extremes and sums over sixteen bytes a step, exact
// weighted sums four pixels at a time (a 64-bit reciprocal multiply in place of the division),
// and moves as saturating 16-bit adds packed back to bytes.
#include <emmintrin.h>

#include "pipeline/picture_kernels.h"
#include "pipeline/picture_kernels_tail.h"
#include "primitives/image_rows.h"

namespace tessaro::sse2 {
namespace {

using picture_tail::Divider;

// The bytes of position k of each pixel, the others zero.
__m128i Position(int k) {
  return _mm_set1_epi32(static_cast<int>(0xFFu << (8 * k)));
}

// floor(x / (2 d)) of four 32-bit lanes, each below 2^31.
__m128i Quotient(__m128i x, const Divider& d) {
  const __m128i m = _mm_set1_epi32(static_cast<int>(d.multiplier));
  const __m128i shift = _mm_cvtsi32_si128(d.shift);
  const __m128i even = _mm_srl_epi64(_mm_mul_epu32(x, m), shift);
  const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(x, 32), m), shift);
  return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

// The rounded quotients of four pixels (sixteen bytes).
__m128i FourSums(const std::uint8_t* p, __m128i weights, const Divider& d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weights);
  const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weights);
  const __m128 a = _mm_shuffle_ps(_mm_castsi128_ps(lo), _mm_castsi128_ps(hi), 0x88);
  const __m128 b = _mm_shuffle_ps(_mm_castsi128_ps(lo), _mm_castsi128_ps(hi), 0xDD);
  const __m128i s = _mm_add_epi32(_mm_castps_si128(a), _mm_castps_si128(b));
  const __m128i sign = _mm_srai_epi32(s, 31);
  const __m128i magnitude = _mm_sub_epi32(_mm_xor_si128(s, sign), sign);
  const __m128i x = _mm_add_epi32(_mm_slli_epi32(magnitude, 13), _mm_set1_epi32(d.divisor));
  const __m128i q = Quotient(x, d);
  return _mm_sub_epi32(_mm_xor_si128(q, sign), sign);
}

// Moves of pixels i..i + 3, interleaved as the pixels' bytes: two vectors of two pixels.
void FourMoves(const std::int16_t* const moves[4], std::int32_t i, __m128i* first,
               __m128i* second) {
  __m128i m[4];
  for (int k = 0; k < 4; ++k) {
    m[k] = moves[k] != nullptr ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(moves[k] + i))
                               : _mm_setzero_si128();
  }
  const __m128i m01 = _mm_unpacklo_epi16(m[0], m[1]);
  const __m128i m23 = _mm_unpacklo_epi16(m[2], m[3]);
  *first = _mm_unpacklo_epi32(m01, m23);
  *second = _mm_unpackhi_epi32(m01, m23);
}

}  // namespace

Status MeasureU8C4(const std::uint8_t* src, std::int32_t step, ImageSize size, ByteStats* stats) {
  __m128i lo = _mm_set1_epi8(-1), hi = _mm_setzero_si128();
  __m128i sums[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                     _mm_setzero_si128()};
  const __m128i zero = _mm_setzero_si128();
  ByteStats tail{};
  picture_tail::Start(&tail);
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::uint8_t* p = RowAt(src, step, y);
    std::int32_t x = 0;
    for (; x + 4 <= size.width; x += 4, p += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      lo = _mm_min_epu8(lo, v);
      hi = _mm_max_epu8(hi, v);
      for (int k = 0; k < 4; ++k) {
        sums[k] = _mm_add_epi64(sums[k], _mm_sad_epu8(_mm_and_si128(v, Position(k)), zero));
      }
    }
    picture_tail::Measure(p, size.width - x, &tail);
  }
  alignas(16) std::uint8_t l[16], h[16];
  alignas(16) std::int64_t s[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(l), lo);
  _mm_store_si128(reinterpret_cast<__m128i*>(h), hi);
  for (int k = 0; k < 4; ++k) {
    _mm_store_si128(reinterpret_cast<__m128i*>(s), sums[k]);
    tail.sum[k] += s[0] + s[1];
    for (int i = k; i < 16; i += 4) {
      tail.min[k] = l[i] < tail.min[k] ? l[i] : tail.min[k];
      tail.max[k] = h[i] > tail.max[k] ? h[i] : tail.max[k];
    }
  }
  *stats = tail;
  return StatusOk;
}

Status WeightedSumU8C4(const std::uint8_t* src, std::int32_t n, const std::int32_t weights[4],
                       std::int32_t divisor, std::int16_t* out) {
  const Divider d = picture_tail::DividerOf(divisor);
  const __m128i w = _mm_setr_epi16(static_cast<short>(weights[0]), static_cast<short>(weights[1]),
                                   static_cast<short>(weights[2]), static_cast<short>(weights[3]),
                                   static_cast<short>(weights[0]), static_cast<short>(weights[1]),
                                   static_cast<short>(weights[2]), static_cast<short>(weights[3]));
  std::int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i a = FourSums(src + 4 * i, w, d);
    const __m128i b = FourSums(src + 4 * i + 16, w, d);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(a, b));
  }
  picture_tail::WeightedSum(src + 4 * i, n - i, weights, divisor, out + i);
  return StatusOk;
}

Status MoveU8C4(const std::uint8_t* src, std::uint8_t* dst, std::int32_t n,
                const std::int16_t* const moves[4]) {
  const __m128i zero = _mm_setzero_si128();
  std::int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    __m128i first, second;
    FourMoves(moves, i, &first, &second);
    const __m128i lo = _mm_adds_epi16(_mm_unpacklo_epi8(v, zero), first);
    const __m128i hi = _mm_adds_epi16(_mm_unpackhi_epi8(v, zero), second);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_packus_epi16(lo, hi));
  }
  picture_tail::Move(src, dst, i, n, moves);
  return StatusOk;
}

}  // namespace tessaro::sse2
