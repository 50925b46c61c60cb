// SSE2 histogram counting: the shared counting code with 16-byte zero fills.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/histogram.h"
#include "primitives/histogram_count.h"

namespace tessaro::sse2 {
namespace {

// Sizes are whole counters (multiples of 4 bytes); the fills stay far below the size
// where bypassing the caches could pay, so ordinary stores only.
void ZeroFill(void* dst, std::size_t bytes) {
  auto* p = static_cast<std::uint8_t*>(dst);
  const __m128i zero = _mm_setzero_si128();
  std::size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i + 16), zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i + 32), zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i + 48), zero);
  }
  for (; i + 16 <= bytes; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), zero);
  std::memset(p + i, 0, bytes - i);
}

}  // namespace

Status HistogramS16C1(const std::int16_t* image, std::int32_t step, ImageSize size,
                      std::int32_t* histogram, const HistogramSpec* record, std::uint8_t* buffer) {
  return CountHistogramS16C1(image, step, size, histogram, record, buffer, ZeroFill);
}

}  // namespace tessaro::sse2
