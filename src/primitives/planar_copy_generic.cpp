// Exact copies between interleaved three-channel images and three one-channel planes.
#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy.h"
#include "primitives/rounding.h"

namespace tessaro::generic {
namespace {

void MergePixels(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
                 std::int16_t* d, std::ptrdiff_t n) {
  for (std::ptrdiff_t x = 0; x < n; ++x, d += 3) {
    d[0] = p0[x];
    d[1] = p1[x];
    d[2] = p2[x];
  }
}

}  // namespace

Status SplitS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* const* planes,
                  std::int32_t planeStep, ImageSize size) {
  if (src == nullptr || planes == nullptr || planes[0] == nullptr || planes[1] == nullptr ||
      planes[2] == nullptr) {
    return StatusNullPointer;
  }
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;

  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* s = RowAt(src, srcStep, y);
    std::int16_t* d0 = RowAt(planes[0], planeStep, y);
    std::int16_t* d1 = RowAt(planes[1], planeStep, y);
    std::int16_t* d2 = RowAt(planes[2], planeStep, y);
    for (std::int32_t x = 0; x < size.width; ++x, s += 3) {
      d0[x] = s[0];
      d1[x] = s[1];
      d2[x] = s[2];
    }
  }
  return StatusOk;
}

Status MergeS16C3(const std::int16_t* const* planes, std::int32_t planeStep, std::int16_t* dst,
                  std::int32_t dstStep, ImageSize size) {
  if (planes == nullptr || dst == nullptr || planes[0] == nullptr || planes[1] == nullptr ||
      planes[2] == nullptr) {
    return StatusNullPointer;
  }
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;

  // Packed planes and a destination without gaps between rows: one long row.
  const std::int64_t width = size.width;
  if (planeStep == 2 * width && dstStep == 3 * std::int64_t{planeStep}) {
    MergePixels(planes[0], planes[1], planes[2], dst,
                static_cast<std::ptrdiff_t>(width * size.height));
    return StatusOk;
  }
  for (std::int32_t y = 0; y < size.height; ++y) {
    MergePixels(RowAt(planes[0], planeStep, y), RowAt(planes[1], planeStep, y),
                RowAt(planes[2], planeStep, y), RowAt(dst, dstStep, y), size.width);
  }
  return StatusOk;
}

}  // namespace tessaro::generic
