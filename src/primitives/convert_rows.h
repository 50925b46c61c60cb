// The contiguous-region rule and the row walk of the conversions, shared by the code of every
// slot. Internal linkage, like rounding.h.
#pragma once

#include <cstdint>

#include "primitives/convert.h"

namespace tessaro {
namespace {

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

// The rows of a (merged) region top to bottom, for the vector code: `row(s, d, width)`
// converts one row.
template <typename Row>
[[maybe_unused]] void ForEachRow(const void* src, std::int32_t srcStep, void* dst,
                                 std::int32_t dstStep, ImageSize size, Row row) {
  const auto* s = static_cast<const unsigned char*>(src);
  auto* d = static_cast<unsigned char*>(dst);
  for (std::int32_t y = 0; y < size.height; ++y, s += srcStep, d += dstStep) row(s, d, size.width);
}

}  // namespace
}  // namespace tessaro
