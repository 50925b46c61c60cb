// Colour matrix and constant subtraction on 16-bit samples, rounded half to even and
// saturated without relying on the floating-point rounding mode.
#include <cstdint>

#include "primitives/arithmetic.h"
#include "primitives/rounding.h"

namespace tessaro::generic {
namespace {

// (p - k) scaled by 2^-f and rounded half to even, before saturation. |p - k| <= 65,535.
std::int32_t ScaledDifference(std::int32_t p, std::int32_t k, std::int32_t f) {
  const std::int32_t t = p - k;
  if (f == 0) return t;
  if (f > 16) return 0;  // |t| / 2^17 < 0.5
  if (f > 0) return (t + (1 << (f - 1)) - 1 + ((t >> f) & 1)) >> f;
  if (f > -16) {
    const std::int32_t scale = 1 << -f;
    return p * scale - k * scale;  // at most 65,535 * 2^15 in magnitude
  }
  return t > 0 ? 32767 : (t < 0 ? -32768 : 0);
}

}  // namespace

Status ColorMatrixS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                        std::int32_t dstStep, ImageSize size, const float* matrix) {
  float m[12];
  for (int i = 0; i < 12; ++i) m[i] = matrix[i];
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* s = RowAt(src, srcStep, y);
    std::int16_t* d = RowAt(dst, dstStep, y);
    for (std::int32_t x = 0; x < size.width; ++x, s += 3, d += 3) {
      const double s0 = s[0], s1 = s[1], s2 = s[2];  // read all before writing: src may be dst
      std::int16_t out[3];
      for (int c = 0; c < 3; ++c) {
        const float* w = m + 4 * c;
        // Products are exact in double; the left-to-right sum is rounded to float once.
        const double sum = ((static_cast<double>(w[3]) + w[0] * s0) + w[1] * s1) + w[2] * s2;
        out[c] = SaturateRoundToS16(static_cast<float>(sum), RoundNearestEven);
      }
      d[0] = out[0];
      d[1] = out[1];
      d[2] = out[2];
    }
  }
  return StatusOk;
}

Status SubConstS16C1(std::int32_t value, std::int16_t* image, std::int32_t step, ImageSize size,
                     std::int32_t scaleFactor) {
  const std::int32_t k = static_cast<std::int16_t>(value);  // only the low 16 bits count
  if (scaleFactor == 0 && k == 0) return StatusOk;
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::int16_t* row = RowAt(image, step, y);
    for (std::int32_t x = 0; x < size.width; ++x) {
      row[x] = SaturateS16(ScaledDifference(row[x], k, scaleFactor));
    }
  }
  return StatusOk;
}

}  // namespace tessaro::generic
