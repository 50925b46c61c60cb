// Generic in-place replacement of samples outside [low threshold, high threshold]. Samples
// are read and written with memcpy so that any step is well defined; samples that stay
// are never written back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "primitives/replace_out_of_range.h"
#include "primitives/rounding.h"

namespace tessaro::generic {
namespace {

// Calls replace(p) on every sample address of the region, rows top to bottom.
template <typename Sample, typename Replace>
void ForEachSample(Sample* image, std::int32_t step, ImageSize size, Replace replace) {
  auto* base = reinterpret_cast<std::byte*>(image);
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::byte* p = base + static_cast<std::ptrdiff_t>(y) * step;
    for (std::int32_t x = 0; x < size.width; ++x, p += sizeof(Sample)) replace(p);
  }
}

// Float bits b, read as a signed integer, to a key that orders like the numbers:
// b itself when the sign bit is clear, b ^ 0x7FFFFFFF (= -1 - magnitude) when it is set.
// -0.0 maps to -1, just below +0.0 at 0, and a NaN lies beyond the infinity of its sign.
std::int32_t OrderedKey(std::int32_t bits) {
  return bits >= 0 ? bits : bits ^ 0x7FFFFFFF;
}

std::int32_t OrderedKey(float v) {
  std::int32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return OrderedKey(bits);
}

}  // namespace

Status ReplaceOutOfRangeS16C1(std::int16_t* image, std::int32_t step, ImageSize size,
                              std::int32_t lowThreshold, std::int32_t lowValue,
                              std::int32_t highThreshold, std::int32_t highValue) {
  // Only the low 16 bits of each argument count.
  const auto lowT = static_cast<std::int16_t>(lowThreshold);
  const auto lowV = static_cast<std::int16_t>(lowValue);
  const auto highT = static_cast<std::int16_t>(highThreshold);
  const auto highV = static_cast<std::int16_t>(highValue);
  ForEachSample(image, step, size, [=](std::byte* p) {
    const auto v = Load<std::int16_t>(p);
    if (v > highT) {
      Store(p, highV);
    } else if (v < lowT) {
      Store(p, lowV);
    }
  });
  return StatusOk;
}

Status ReplaceOutOfRangeF32C1(float* image, std::int32_t step, ImageSize size, float lowThreshold,
                              float lowValue, float highThreshold, float highValue) {
  // A NaN threshold bounds nothing, as in an ordinary comparison, and a -0.0 high threshold
  // keeps +0.0 samples. Left different from ordinary comparison: a -0.0 sample is below a
  // low threshold of +0.0, and a NaN sample goes by its sign bit.
  const std::int32_t lowKey = std::isnan(lowThreshold) ? INT32_MIN : OrderedKey(lowThreshold);
  const std::int32_t highKey = std::isnan(highThreshold) ? INT32_MAX
                               : highThreshold == 0.0f   ? 0
                                                         : OrderedKey(highThreshold);
  ForEachSample(image, step, size, [=](std::byte* p) {
    const std::int32_t key = OrderedKey(Load<std::int32_t>(p));
    if (key > highKey) {
      Store(p, highValue);
    } else if (key < lowKey) {
      Store(p, lowValue);
    }
  });
  return StatusOk;
}

}  // namespace tessaro::generic
