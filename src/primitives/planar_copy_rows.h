// The row loops of the split and merge, shared by the code of every slot; each instruction-set
// file supplies only its row kernels. Internal linkage, like rounding.h, so an instruction-set
// file never lends its copy to another.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy.h"
#include "primitives/rounding.h"

namespace tessaro {
namespace {

using SplitRowFn = void(const std::int16_t* s, std::int16_t* d0, std::int16_t* d1, std::int16_t* d2,
                        std::ptrdiff_t n);
using MergeRowFn = void(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
                        std::int16_t* d, std::ptrdiff_t n);

// One pixel at a time: the generic rows, and the tail of every vector slot's rows.
[[maybe_unused]] void SplitSamples(const std::int16_t* s, std::int16_t* d0, std::int16_t* d1,
                                   std::int16_t* d2, std::ptrdiff_t n) {
  for (std::ptrdiff_t x = 0; x < n; ++x, s += 3) {
    d0[x] = s[0];
    d1[x] = s[1];
    d2[x] = s[2];
  }
}

[[maybe_unused]] void MergeSamples(const std::int16_t* p0, const std::int16_t* p1,
                                   const std::int16_t* p2, std::int16_t* d, std::ptrdiff_t n) {
  for (std::ptrdiff_t x = 0; x < n; ++x, d += 3) {
    d[0] = p0[x];
    d[1] = p1[x];
    d[2] = p2[x];
  }
}

template <SplitRowFn* SplitRow>
Status SplitRows(const std::int16_t* src, std::int32_t srcStep, std::int16_t* const* planes,
                 std::int32_t planeStep, ImageSize size) {
  for (std::int32_t y = 0; y < size.height; ++y) {
    SplitRow(RowAt(src, srcStep, y), RowAt(planes[0], planeStep, y), RowAt(planes[1], planeStep, y),
             RowAt(planes[2], planeStep, y), size.width);
  }
  return StatusOk;
}

template <MergeRowFn* MergeRow>
Status MergeRows(const std::int16_t* const* planes, std::int32_t planeStep, std::int16_t* dst,
                 std::int32_t dstStep, ImageSize size) {
  // Packed planes and a destination without gaps between rows: one long row.
  const std::int64_t width = size.width;
  if (planeStep == 2 * width && dstStep == 3 * std::int64_t{planeStep}) {
    MergeRow(planes[0], planes[1], planes[2], dst,
             static_cast<std::ptrdiff_t>(width * size.height));
    return StatusOk;
  }
  for (std::int32_t y = 0; y < size.height; ++y) {
    MergeRow(RowAt(planes[0], planeStep, y), RowAt(planes[1], planeStep, y),
             RowAt(planes[2], planeStep, y), RowAt(dst, dstStep, y), size.width);
  }
  return StatusOk;
}

}  // namespace
}  // namespace tessaro
