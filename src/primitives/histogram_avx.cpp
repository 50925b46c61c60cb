// AVX histogram counting: the shared counting code, VEX-encoded, with 32-byte zero fills.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/histogram.h"
#include "primitives/histogram_count.h"

namespace tessaro::avx {
namespace {

// Sizes are whole counters (multiples of 4 bytes); the fills stay far below the size
// where bypassing the caches could pay, so ordinary stores only.
void ZeroFill(void* dst, std::size_t bytes) {
  auto* p = static_cast<std::uint8_t*>(dst);
  const __m256i zero = _mm256_setzero_si256();
  std::size_t i = 0;
  for (; i + 128 <= bytes; i += 128) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), zero);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i + 32), zero);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i + 64), zero);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i + 96), zero);
  }
  for (; i + 32 <= bytes; i += 32) _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), zero);
  std::memset(p + i, 0, bytes - i);
}

}  // namespace

Status HistogramS16C1(const std::int16_t* image, std::int32_t step, ImageSize size,
                      std::int32_t* histogram, const HistogramSpec* record, std::uint8_t* buffer) {
  const Status status = CountHistogramS16C1(image, step, size, histogram, record, buffer, ZeroFill);
  _mm256_zeroupper();
  return status;
}

}  // namespace tessaro::avx
