// Copies between interleaved three-channel images and three one-channel planes, AVX2.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy_rows.h"

namespace tessaro::avx2 {
namespace {

// Eight pixels are three 128-bit vectors; sample n sits in lane n mod 8 of vector n / 8.
// Lanes 0,3,6 (0x49), 1,4,7 (0x92) and 2,5 (0x24) of the three vectors, blended in
// rotation, give one vector per channel with every lane in place; one shuffle orders it.
// Channel k: output lane i takes lane (3i + k) mod 8. Each 128-bit half of a 256-bit
// register carries its own group of eight pixels.
alignas(16) const std::int8_t kSplitGather[3][16] = {
    {0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15, 4, 5, 10, 11},
    {2, 3, 8, 9, 14, 15, 4, 5, 10, 11, 0, 1, 6, 7, 12, 13},
    {4, 5, 10, 11, 0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15},
};
// The inverse: lane j takes lane 3(j - k) mod 8 of plane k.
alignas(16) const std::int8_t kMergeScatter[3][16] = {
    {0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15, 4, 5, 10, 11},
    {10, 11, 0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15, 4, 5},
    {4, 5, 10, 11, 0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15},
};

__m128i Load(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
void Store(std::int16_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
__m256i Load2(const std::int16_t* lo, const std::int16_t* hi) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(Load(lo)), Load(hi), 1);
}
__m256i Load256(const std::int16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
void Store256(std::int16_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

void SplitRow(const std::int16_t* s, std::int16_t* d0, std::int16_t* d1, std::int16_t* d2,
              std::ptrdiff_t n) {
  const __m128i g0 = Load(kSplitGather[0]), g1 = Load(kSplitGather[1]), g2 = Load(kSplitGather[2]);
  const __m256i w0 = _mm256_broadcastsi128_si256(g0), w1 = _mm256_broadcastsi128_si256(g1),
                w2 = _mm256_broadcastsi128_si256(g2);
  std::ptrdiff_t x = 0;
  for (; x + 16 <= n; x += 16, s += 48) {
    const __m256i a = Load2(s, s + 24), b = Load2(s + 8, s + 32), c = Load2(s + 16, s + 40);
    const __m256i t0 = _mm256_blend_epi16(_mm256_blend_epi16(a, b, 0x92), c, 0x24);
    const __m256i t1 = _mm256_blend_epi16(_mm256_blend_epi16(a, b, 0x24), c, 0x49);
    const __m256i t2 = _mm256_blend_epi16(_mm256_blend_epi16(a, b, 0x49), c, 0x92);
    Store256(d0 + x, _mm256_shuffle_epi8(t0, w0));
    Store256(d1 + x, _mm256_shuffle_epi8(t1, w1));
    Store256(d2 + x, _mm256_shuffle_epi8(t2, w2));
  }
  if (x + 8 <= n) {
    const __m128i a = Load(s), b = Load(s + 8), c = Load(s + 16);
    const __m128i t0 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x92), c, 0x24);
    const __m128i t1 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x24), c, 0x49);
    const __m128i t2 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x49), c, 0x92);
    Store(d0 + x, _mm_shuffle_epi8(t0, g0));
    Store(d1 + x, _mm_shuffle_epi8(t1, g1));
    Store(d2 + x, _mm_shuffle_epi8(t2, g2));
    x += 8;
    s += 24;
  }
  SplitSamples(s, d0 + x, d1 + x, d2 + x, n - x);
}

void MergeRow(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
              std::int16_t* d, std::ptrdiff_t n) {
  const __m128i s0 = Load(kMergeScatter[0]), s1 = Load(kMergeScatter[1]),
                s2 = Load(kMergeScatter[2]);
  const __m256i w0 = _mm256_broadcastsi128_si256(s0), w1 = _mm256_broadcastsi128_si256(s1),
                w2 = _mm256_broadcastsi128_si256(s2);
  std::ptrdiff_t x = 0;
  for (; x + 16 <= n; x += 16, d += 48) {
    const __m256i t0 = _mm256_shuffle_epi8(Load256(p0 + x), w0);
    const __m256i t1 = _mm256_shuffle_epi8(Load256(p1 + x), w1);
    const __m256i t2 = _mm256_shuffle_epi8(Load256(p2 + x), w2);
    const __m256i o0 = _mm256_blend_epi16(_mm256_blend_epi16(t0, t1, 0x92), t2, 0x24);
    const __m256i o1 = _mm256_blend_epi16(_mm256_blend_epi16(t2, t0, 0x92), t1, 0x24);
    const __m256i o2 = _mm256_blend_epi16(_mm256_blend_epi16(t0, t1, 0x49), t2, 0x92);
    // Low halves belong to pixels 0-7, high halves to pixels 8-15.
    Store256(d, _mm256_permute2x128_si256(o0, o1, 0x20));
    Store256(d + 16, _mm256_permute2x128_si256(o2, o0, 0x30));
    Store256(d + 32, _mm256_permute2x128_si256(o1, o2, 0x31));
  }
  if (x + 8 <= n) {
    const __m128i t0 = _mm_shuffle_epi8(Load(p0 + x), s0);
    const __m128i t1 = _mm_shuffle_epi8(Load(p1 + x), s1);
    const __m128i t2 = _mm_shuffle_epi8(Load(p2 + x), s2);
    Store(d, _mm_blend_epi16(_mm_blend_epi16(t0, t1, 0x92), t2, 0x24));
    Store(d + 8, _mm_blend_epi16(_mm_blend_epi16(t2, t0, 0x92), t1, 0x24));
    Store(d + 16, _mm_blend_epi16(_mm_blend_epi16(t0, t1, 0x49), t2, 0x92));
    x += 8;
    d += 24;
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

}  // namespace tessaro::avx2
