// SSE4.1 widening of 16-bit to float one-channel images: pmovsxwd replaces the unpack and
// shift of the SSE2 code. Narrowing gains nothing from SSE4.1 and stays SSE2.
// Rows may start at any byte, so every access is unaligned; tails go through a small buffer
// so that nothing outside the region is read or written.
#include <smmintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/convert_rows.h"

namespace tessaro::sse41 {
namespace {

void Widen8(const unsigned char* s, unsigned char* d) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  _mm_storeu_ps(reinterpret_cast<float*>(d), _mm_cvtepi32_ps(_mm_cvtepi16_epi32(v)));
  _mm_storeu_ps(reinterpret_cast<float*>(d + 16),
                _mm_cvtepi32_ps(_mm_cvtepi16_epi32(_mm_srli_si128(v, 8))));
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

}  // namespace

Status ConvertS16ToF32(const std::int16_t* src, std::int32_t srcStep, float* dst,
                       std::int32_t dstStep, ImageSize size) {
  ForEachRow(src, srcStep, dst, dstStep, MergeContiguousRows(srcStep, dstStep, size), WidenRow);
  return StatusOk;
}

}  // namespace tessaro::sse41
