// Copies between interleaved three-channel images and three one-channel planes, SSE4.1.
#include <smmintrin.h>

#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy_rows.h"

namespace tessaro::sse41 {
namespace {

// Eight pixels are three vectors; sample n sits in lane n mod 8 of vector n / 8. Lanes
// 0,3,6 (0x49), 1,4,7 (0x92) and 2,5 (0x24) of the three vectors, blended in rotation,
// give one vector per channel with every lane in place; one shuffle then orders it.
// Channel k: output lane i takes lane (3i + k) mod 8.
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

void SplitRow(const std::int16_t* s, std::int16_t* d0, std::int16_t* d1, std::int16_t* d2,
              std::ptrdiff_t n) {
  const __m128i g0 = Load(kSplitGather[0]), g1 = Load(kSplitGather[1]), g2 = Load(kSplitGather[2]);
  std::ptrdiff_t x = 0;
  for (; x + 8 <= n; x += 8, s += 24) {
    const __m128i a = Load(s), b = Load(s + 8), c = Load(s + 16);
    const __m128i t0 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x92), c, 0x24);
    const __m128i t1 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x24), c, 0x49);
    const __m128i t2 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x49), c, 0x92);
    Store(d0 + x, _mm_shuffle_epi8(t0, g0));
    Store(d1 + x, _mm_shuffle_epi8(t1, g1));
    Store(d2 + x, _mm_shuffle_epi8(t2, g2));
  }
  SplitSamples(s, d0 + x, d1 + x, d2 + x, n - x);
}

void MergeRow(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
              std::int16_t* d, std::ptrdiff_t n) {
  const __m128i s0 = Load(kMergeScatter[0]), s1 = Load(kMergeScatter[1]),
                s2 = Load(kMergeScatter[2]);
  std::ptrdiff_t x = 0;
  for (; x + 8 <= n; x += 8, d += 24) {
    const __m128i t0 = _mm_shuffle_epi8(Load(p0 + x), s0);
    const __m128i t1 = _mm_shuffle_epi8(Load(p1 + x), s1);
    const __m128i t2 = _mm_shuffle_epi8(Load(p2 + x), s2);
    Store(d, _mm_blend_epi16(_mm_blend_epi16(t0, t1, 0x92), t2, 0x24));
    Store(d + 8, _mm_blend_epi16(_mm_blend_epi16(t2, t0, 0x92), t1, 0x24));
    Store(d + 16, _mm_blend_epi16(_mm_blend_epi16(t0, t1, 0x49), t2, 0x92));
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

}  // namespace tessaro::sse41
