// Per-channel mean, minimum and maximum of interleaved three-channel 16-bit images.
#include <cstdint>

#include "primitives/rounding.h"
#include "primitives/statistics.h"

namespace tessaro::generic {
namespace {

// 65,536 samples of -32,768 sum to exactly -2^31, so a 32-bit partial sum of this many
// pixels cannot overflow.
constexpr std::int32_t kSumBlockPixels = 65536;

}  // namespace

Status MeanS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size, double* means) {
  double total[3] = {0.0, 0.0, 0.0};
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* p = RowAt(src, srcStep, y);
    for (std::int32_t left = size.width; left > 0;) {
      const std::int32_t n = left < kSumBlockPixels ? left : kSumBlockPixels;
      std::int32_t sum[3] = {0, 0, 0};
      for (std::int32_t i = 0; i < n; ++i, p += 3) {
        sum[0] += p[0];
        sum[1] += p[1];
        sum[2] += p[2];
      }
      for (int c = 0; c < 3; ++c) total[c] += sum[c];
      left -= n;
    }
  }
  // Sum times reciprocal, not a division: 7 x 7 ones give 0.9999999999999999. The count is
  // formed in 64 bits; a 32-bit product would wrap beyond 2^31 pixels.
  const double r = 1.0 / static_cast<double>(static_cast<std::int64_t>(size.width) * size.height);
  for (int c = 0; c < 3; ++c) means[c] = total[c] * r;
  return StatusOk;
}

Status MinMaxS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                   std::int16_t* mins, std::int16_t* maxs) {
  std::int16_t lo[3] = {src[0], src[1], src[2]};
  std::int16_t hi[3] = {src[0], src[1], src[2]};
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* p = RowAt(src, srcStep, y);
    for (std::int32_t x = 0; x < size.width; ++x, p += 3) {
      for (int c = 0; c < 3; ++c) {
        if (p[c] < lo[c]) {
          lo[c] = p[c];
        } else if (p[c] >= hi[c]) {
          hi[c] = p[c];
        }
      }
    }
    // Every channel has reached both ends of the range: no later row can change anything.
    if (lo[0] == INT16_MIN && lo[1] == INT16_MIN && lo[2] == INT16_MIN && hi[0] == INT16_MAX &&
        hi[1] == INT16_MAX && hi[2] == INT16_MAX) {
      break;
    }
  }
  for (int c = 0; c < 3; ++c) {
    mins[c] = lo[c];
    maxs[c] = hi[c];
  }
  return StatusOk;
}

}  // namespace tessaro::generic
