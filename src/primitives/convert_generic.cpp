// Generic conversions between 16-bit and float one-channel images. Samples are moved with
// memcpy so that rows whose step is not a whole number of samples stay well defined.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "primitives/convert_rows.h"
#include "primitives/rounding.h"

namespace tessaro::generic {
namespace {

// Rows strictly top to bottom, so overlapping destination rows end with the lower row.
template <typename From, typename To, typename Convert>
void ConvertRows(const From* src, std::int32_t srcStep, To* dst, std::int32_t dstStep,
                 ImageSize size, Convert convert) {
  const auto* srcBase = reinterpret_cast<const std::byte*>(src);
  auto* dstBase = reinterpret_cast<std::byte*>(dst);
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::byte* s = srcBase + static_cast<std::ptrdiff_t>(y) * srcStep;
    std::byte* d = dstBase + static_cast<std::ptrdiff_t>(y) * dstStep;
    for (std::int32_t x = 0; x < size.width; ++x, s += sizeof(From), d += sizeof(To)) {
      Store<To>(d, convert(Load<From>(s)));
    }
  }
}

}  // namespace

Status ConvertS16ToF32(const std::int16_t* src, std::int32_t srcStep, float* dst,
                       std::int32_t dstStep, ImageSize size) {
  ConvertRows(src, srcStep, dst, dstStep, MergeContiguousRows(srcStep, dstStep, size),
              [](std::int16_t v) { return static_cast<float>(v); });
  return StatusOk;
}

Status ConvertF32ToS16(const float* src, std::int32_t srcStep, std::int16_t* dst,
                       std::int32_t dstStep, ImageSize size, RoundMode mode) {
  ConvertRows(src, srcStep, dst, dstStep, MergeContiguousRows(dstStep, srcStep, size),
              [mode](float v) { return SaturateRoundToS16(v, mode); });
  return StatusOk;
}

}  // namespace tessaro::generic
