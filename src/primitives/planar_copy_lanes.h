// The SSE4.1 split and merge of eight pixels: the SSE4.1 rows, and the eight-pixel step of the
// AVX2 rows, whose 256-bit step repeats it in each 128-bit half. For instruction-set files
// compiled with SSE4.1 or above only; internal linkage, like rounding.h.
#pragma once

#include <smmintrin.h>

#include <cstdint>

namespace tessaro {
namespace {

// Eight pixels are three vectors; sample n sits in lane n mod 8 of vector n / 8. Lanes
// 0,3,6 (0x49), 1,4,7 (0x92) and 2,5 (0x24) of the three vectors, blended in rotation,
// give one vector per channel with every lane in place; one shuffle then orders it.
// Channel k: output lane i takes lane (3i + k) mod 8.
alignas(16) constexpr std::int8_t kSplitGather[3][16] = {
    {0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15, 4, 5, 10, 11},
    {2, 3, 8, 9, 14, 15, 4, 5, 10, 11, 0, 1, 6, 7, 12, 13},
    {4, 5, 10, 11, 0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15},
};
// The inverse: lane j takes lane 3(j - k) mod 8 of plane k.
alignas(16) constexpr std::int8_t kMergeScatter[3][16] = {
    {0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15, 4, 5, 10, 11},
    {10, 11, 0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15, 4, 5},
    {4, 5, 10, 11, 0, 1, 6, 7, 12, 13, 2, 3, 8, 9, 14, 15},
};

struct LaneTables {
  __m128i gather[3], scatter[3];
};

inline __m128i LoadLanes(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

inline LaneTables LoadLaneTables() {
  LaneTables t;
  for (int k = 0; k < 3; ++k) {
    t.gather[k] = LoadLanes(kSplitGather[k]);
    t.scatter[k] = LoadLanes(kMergeScatter[k]);
  }
  return t;
}

inline void StoreLanes(std::int16_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Eight pixels from s into the three planes.
inline void Split8(const LaneTables& t, const std::int16_t* s, std::int16_t* d0, std::int16_t* d1,
                   std::int16_t* d2) {
  const __m128i a = LoadLanes(s), b = LoadLanes(s + 8), c = LoadLanes(s + 16);
  const __m128i t0 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x92), c, 0x24);
  const __m128i t1 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x24), c, 0x49);
  const __m128i t2 = _mm_blend_epi16(_mm_blend_epi16(a, b, 0x49), c, 0x92);
  StoreLanes(d0, _mm_shuffle_epi8(t0, t.gather[0]));
  StoreLanes(d1, _mm_shuffle_epi8(t1, t.gather[1]));
  StoreLanes(d2, _mm_shuffle_epi8(t2, t.gather[2]));
}

// Eight pixels from the three planes into d.
inline void Merge8(const LaneTables& t, const std::int16_t* p0, const std::int16_t* p1,
                   const std::int16_t* p2, std::int16_t* d) {
  const __m128i t0 = _mm_shuffle_epi8(LoadLanes(p0), t.scatter[0]);
  const __m128i t1 = _mm_shuffle_epi8(LoadLanes(p1), t.scatter[1]);
  const __m128i t2 = _mm_shuffle_epi8(LoadLanes(p2), t.scatter[2]);
  StoreLanes(d, _mm_blend_epi16(_mm_blend_epi16(t0, t1, 0x92), t2, 0x24));
  StoreLanes(d + 8, _mm_blend_epi16(_mm_blend_epi16(t2, t0, 0x92), t1, 0x24));
  StoreLanes(d + 16, _mm_blend_epi16(_mm_blend_epi16(t0, t1, 0x49), t2, 0x92));
}

}  // namespace
}  // namespace tessaro
