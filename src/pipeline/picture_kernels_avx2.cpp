// The four-byte pixel kernels in AVX2: as the SSE2 ones, eight pixels a step. The 256-bit
// unpacks and packs work within each 128-bit half, which keeps pixels in order as long as
// the moves are laid out the same way.
#include <immintrin.h>

#include "pipeline/picture_kernels.h"
#include "pipeline/picture_kernels_tail.h"
#include "primitives/image_rows.h"

namespace tessaro::avx2 {
namespace {

using picture_tail::Divider;

__m256i Position(int k) {
  return _mm256_set1_epi32(static_cast<int>(0xFFu << (8 * k)));
}

// floor(x / (2 d)) of eight 32-bit lanes, each below 2^31.
__m256i Quotient(__m256i x, const Divider& d) {
  const __m256i m = _mm256_set1_epi32(static_cast<int>(d.multiplier));
  const __m128i shift = _mm_cvtsi32_si128(d.shift);
  const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(x, m), shift);
  const __m256i odd = _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(x, 32), m), shift);
  return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
}

// The rounded quotients of eight pixels, in pixel order.
__m256i EightSums(const std::uint8_t* p, __m256i weights, const Divider& d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  // Each half: pixels 0-1 and 2-3 of its four.
  const __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi8(v, zero), weights);
  const __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi8(v, zero), weights);
  const __m256 a = _mm256_shuffle_ps(_mm256_castsi256_ps(lo), _mm256_castsi256_ps(hi), 0x88);
  const __m256 b = _mm256_shuffle_ps(_mm256_castsi256_ps(lo), _mm256_castsi256_ps(hi), 0xDD);
  const __m256i s = _mm256_add_epi32(_mm256_castps_si256(a), _mm256_castps_si256(b));
  const __m256i sign = _mm256_srai_epi32(s, 31);
  const __m256i magnitude = _mm256_abs_epi32(s);
  const __m256i x =
      _mm256_add_epi32(_mm256_slli_epi32(magnitude, 13), _mm256_set1_epi32(d.divisor));
  const __m256i q = Quotient(x, d);
  return _mm256_sub_epi32(_mm256_xor_si256(q, sign), sign);
}

// Moves of pixels i..i + 7 laid out as the bytes' unpacks lay them out.
void EightMoves(const std::int16_t* const moves[4], std::int32_t i, __m256i* first,
                __m256i* second) {
  __m128i m[4];
  for (int k = 0; k < 4; ++k) {
    m[k] = moves[k] != nullptr ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(moves[k] + i))
                               : _mm_setzero_si128();
  }
  const __m128i m01 = _mm_unpacklo_epi16(m[0], m[1]), m01h = _mm_unpackhi_epi16(m[0], m[1]);
  const __m128i m23 = _mm_unpacklo_epi16(m[2], m[3]), m23h = _mm_unpackhi_epi16(m[2], m[3]);
  *first = _mm256_setr_m128i(_mm_unpacklo_epi32(m01, m23), _mm_unpacklo_epi32(m01h, m23h));
  *second = _mm256_setr_m128i(_mm_unpackhi_epi32(m01, m23), _mm_unpackhi_epi32(m01h, m23h));
}

}  // namespace

Status MeasureU8C4(const std::uint8_t* src, std::int32_t step, ImageSize size, ByteStats* stats) {
  __m256i lo = _mm256_set1_epi8(-1), hi = _mm256_setzero_si256();
  __m256i sums[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                     _mm256_setzero_si256()};
  const __m256i zero = _mm256_setzero_si256();
  ByteStats tail{};
  picture_tail::Start(&tail);
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::uint8_t* p = RowAt(src, step, y);
    std::int32_t x = 0;
    for (; x + 8 <= size.width; x += 8, p += 32) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      lo = _mm256_min_epu8(lo, v);
      hi = _mm256_max_epu8(hi, v);
      for (int k = 0; k < 4; ++k) {
        sums[k] =
            _mm256_add_epi64(sums[k], _mm256_sad_epu8(_mm256_and_si256(v, Position(k)), zero));
      }
    }
    picture_tail::Measure(p, size.width - x, &tail);
  }
  alignas(32) std::uint8_t l[32], h[32];
  alignas(32) std::int64_t s[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(l), lo);
  _mm256_store_si256(reinterpret_cast<__m256i*>(h), hi);
  for (int k = 0; k < 4; ++k) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(s), sums[k]);
    tail.sum[k] += (s[0] + s[1]) + (s[2] + s[3]);
    for (int i = k; i < 32; i += 4) {
      tail.min[k] = l[i] < tail.min[k] ? l[i] : tail.min[k];
      tail.max[k] = h[i] > tail.max[k] ? h[i] : tail.max[k];
    }
  }
  _mm256_zeroupper();
  *stats = tail;
  return StatusOk;
}

Status WeightedSumU8C4(const std::uint8_t* src, std::int32_t n, const std::int32_t weights[4],
                       std::int32_t divisor, std::int16_t* out) {
  const Divider d = picture_tail::DividerOf(divisor);
  const __m256i w =
      _mm256_setr_epi16(static_cast<short>(weights[0]), static_cast<short>(weights[1]),
                        static_cast<short>(weights[2]), static_cast<short>(weights[3]),
                        static_cast<short>(weights[0]), static_cast<short>(weights[1]),
                        static_cast<short>(weights[2]), static_cast<short>(weights[3]),
                        static_cast<short>(weights[0]), static_cast<short>(weights[1]),
                        static_cast<short>(weights[2]), static_cast<short>(weights[3]),
                        static_cast<short>(weights[0]), static_cast<short>(weights[1]),
                        static_cast<short>(weights[2]), static_cast<short>(weights[3]));
  std::int32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i a = EightSums(src + 4 * i, w, d);
    const __m256i b = EightSums(src + 4 * i + 32, w, d);
    // packs works within halves: pixels 0-3, 8-11, 4-7, 12-15.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), packed);
  }
  _mm256_zeroupper();
  picture_tail::WeightedSum(src + 4 * i, n - i, weights, divisor, out + i);
  return StatusOk;
}

Status MoveU8C4(const std::uint8_t* src, std::uint8_t* dst, std::int32_t n,
                const std::int16_t* const moves[4]) {
  const __m256i zero = _mm256_setzero_si256();
  std::int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * i));
    __m256i first, second;
    EightMoves(moves, i, &first, &second);
    const __m256i lo = _mm256_adds_epi16(_mm256_unpacklo_epi8(v, zero), first);
    const __m256i hi = _mm256_adds_epi16(_mm256_unpackhi_epi8(v, zero), second);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), _mm256_packus_epi16(lo, hi));
  }
  _mm256_zeroupper();
  picture_tail::Move(src, dst, i, n, moves);
  return StatusOk;
}

}  // namespace tessaro::avx2
