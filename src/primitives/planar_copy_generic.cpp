// Exact copies between interleaved three-channel images and three one-channel planes.
#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy_rows.h"

namespace tessaro::generic {
namespace {

void SplitRow(const std::int16_t* s, std::int16_t* d0, std::int16_t* d1, std::int16_t* d2,
              std::ptrdiff_t n) {
  for (std::ptrdiff_t x = 0; x < n; ++x, s += 3) {
    d0[x] = s[0];
    d1[x] = s[1];
    d2[x] = s[2];
  }
}

void MergeRow(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
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
  return SplitRows<SplitRow>(src, srcStep, planes, planeStep, size);
}

Status MergeS16C3(const std::int16_t* const* planes, std::int32_t planeStep, std::int16_t* dst,
                  std::int32_t dstStep, ImageSize size) {
  return MergeRows<MergeRow>(planes, planeStep, dst, dstStep, size);
}

}  // namespace tessaro::generic
