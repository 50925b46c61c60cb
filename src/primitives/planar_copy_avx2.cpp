// Copies between interleaved three-channel images and three one-channel planes, AVX2.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy_lanes.h"
#include "primitives/planar_copy_rows.h"

namespace tessaro::avx2 {
namespace {

// Each 128-bit half of a 256-bit register carries its own group of eight pixels, split and
// merged as in the SSE4.1 code (planar_copy_lanes.h); a last group of eight takes that code
// itself.
__m256i Load2(const std::int16_t* lo, const std::int16_t* hi) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(LoadLanes(lo)), LoadLanes(hi), 1);
}
__m256i Load256(const std::int16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
void Store256(std::int16_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

void SplitRow(const std::int16_t* s, std::int16_t* d0, std::int16_t* d1, std::int16_t* d2,
              std::ptrdiff_t n) {
  const LaneTables t = LoadLaneTables();
  const __m256i w0 = _mm256_broadcastsi128_si256(t.gather[0]),
                w1 = _mm256_broadcastsi128_si256(t.gather[1]),
                w2 = _mm256_broadcastsi128_si256(t.gather[2]);
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
    Split8(t, s, d0 + x, d1 + x, d2 + x);
    x += 8;
    s += 24;
  }
  SplitSamples(s, d0 + x, d1 + x, d2 + x, n - x);
}

void MergeRow(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
              std::int16_t* d, std::ptrdiff_t n) {
  const LaneTables t = LoadLaneTables();
  const __m256i w0 = _mm256_broadcastsi128_si256(t.scatter[0]),
                w1 = _mm256_broadcastsi128_si256(t.scatter[1]),
                w2 = _mm256_broadcastsi128_si256(t.scatter[2]);
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
    Merge8(t, p0 + x, p1 + x, p2 + x, d);
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
