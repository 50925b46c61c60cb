// Interleaving of three one-channel planes, SSSE3 (splitting stays with SSE2, whose unpack
// network needs fewer instructions than byte shuffles without blends).
#include <tmmintrin.h>

#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy_rows.h"

namespace tessaro::ssse3 {
namespace {

// Row 3v + k: which bytes of plane k's eight samples land in output vector v; -128 clears
// the byte so the three picks of one vector can be ORed together.
alignas(16) const std::int8_t kMergePick[9][16] = {
    {0, 1, -128, -128, -128, -128, 2, 3, -128, -128, -128, -128, 4, 5, -128, -128},
    {-128, -128, 0, 1, -128, -128, -128, -128, 2, 3, -128, -128, -128, -128, 4, 5},
    {-128, -128, -128, -128, 0, 1, -128, -128, -128, -128, 2, 3, -128, -128, -128, -128},
    {-128, -128, 6, 7, -128, -128, -128, -128, 8, 9, -128, -128, -128, -128, 10, 11},
    {-128, -128, -128, -128, 6, 7, -128, -128, -128, -128, 8, 9, -128, -128, -128, -128},
    {4, 5, -128, -128, -128, -128, 6, 7, -128, -128, -128, -128, 8, 9, -128, -128},
    {-128, -128, -128, -128, 12, 13, -128, -128, -128, -128, 14, 15, -128, -128, -128, -128},
    {10, 11, -128, -128, -128, -128, 12, 13, -128, -128, -128, -128, 14, 15, -128, -128},
    {-128, -128, 10, 11, -128, -128, -128, -128, 12, 13, -128, -128, -128, -128, 14, 15},
};

__m128i Load(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

void MergeRow(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
              std::int16_t* d, std::ptrdiff_t n) {
  __m128i pick[9];
  for (int i = 0; i < 9; ++i) pick[i] = Load(kMergePick[i]);
  std::ptrdiff_t x = 0;
  for (; x + 8 <= n; x += 8, d += 24) {
    const __m128i a = Load(p0 + x), b = Load(p1 + x), c = Load(p2 + x);
    for (int v = 0; v < 3; ++v) {
      const __m128i out = _mm_or_si128(
          _mm_or_si128(_mm_shuffle_epi8(a, pick[3 * v]), _mm_shuffle_epi8(b, pick[3 * v + 1])),
          _mm_shuffle_epi8(c, pick[3 * v + 2]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8 * v), out);
    }
  }
  MergeSamples(p0 + x, p1 + x, p2 + x, d, n - x);
}

}  // namespace

Status MergeS16C3(const std::int16_t* const* planes, std::int32_t planeStep, std::int16_t* dst,
                  std::int32_t dstStep, ImageSize size) {
  return MergeRows<MergeRow>(planes, planeStep, dst, dstStep, size);
}

}  // namespace tessaro::ssse3
