// Generic conversions between 16-bit and float one-channel images. Samples are moved with
// memcpy so that rows whose step is not a whole number of samples stay well defined.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "primitives/convert.h"
#include "primitives/rounding.h"

namespace tessaro::generic {
namespace {

Status CheckArguments(const void* src, std::int32_t srcStep, const void* dst, std::int32_t dstStep,
                      ImageSize size) {
  if (src == nullptr || dst == nullptr) return StatusNullPointer;
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  if (srcStep <= 0 || dstStep <= 0) return StatusStepError;
  return StatusOk;
}

// Unpadded 16-bit rows next to unpadded float rows: the region is one row of
// width * height samples, as long as that count still fits the 32-bit width.
ImageSize MergeContiguousRows(std::int32_t shortStep, std::int32_t floatStep, ImageSize size) {
  const std::int64_t count = std::int64_t{size.width} * size.height;
  if (shortStep == std::int64_t{2} * size.width && floatStep == std::int64_t{2} * shortStep &&
      count <= INT32_MAX) {
    return {static_cast<std::int32_t>(count), 1};
  }
  return size;
}

template <typename T>
T Load(const std::byte* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(std::byte* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

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
  if (const Status status = CheckArguments(src, srcStep, dst, dstStep, size); status != StatusOk) {
    return status;
  }
  ConvertRows(src, srcStep, dst, dstStep, MergeContiguousRows(srcStep, dstStep, size),
              [](std::int16_t v) { return static_cast<float>(v); });
  return StatusOk;
}

Status ConvertF32ToS16(const float* src, std::int32_t srcStep, std::int16_t* dst,
                       std::int32_t dstStep, ImageSize size, RoundMode mode) {
  if (const Status status = CheckArguments(src, srcStep, dst, dstStep, size); status != StatusOk) {
    return status;
  }
  ConvertRows(src, srcStep, dst, dstStep, MergeContiguousRows(dstStep, srcStep, size),
              [mode](float v) { return SaturateRoundToS16(v, mode); });
  return StatusOk;
}

}  // namespace tessaro::generic
