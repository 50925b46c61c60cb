// Copies between interleaved three-channel images and three one-channel planes, SSE4.1: eight
// pixels per step through blends and byte shuffles (planar_copy_lanes.h).
#include <smmintrin.h>

#include <cstddef>
#include <cstdint>

#include "primitives/planar_copy_lanes.h"
#include "primitives/planar_copy_rows.h"

namespace tessaro::sse41 {
namespace {

void SplitRow(const std::int16_t* s, std::int16_t* d0, std::int16_t* d1, std::int16_t* d2,
              std::ptrdiff_t n) {
  const LaneTables t = LoadLaneTables();
  std::ptrdiff_t x = 0;
  for (; x + 8 <= n; x += 8, s += 24) Split8(t, s, d0 + x, d1 + x, d2 + x);
  SplitSamples(s, d0 + x, d1 + x, d2 + x, n - x);
}

void MergeRow(const std::int16_t* p0, const std::int16_t* p1, const std::int16_t* p2,
              std::int16_t* d, std::ptrdiff_t n) {
  const LaneTables t = LoadLaneTables();
  std::ptrdiff_t x = 0;
  for (; x + 8 <= n; x += 8, d += 24) Merge8(t, p0 + x, p1 + x, p2 + x, d);
  MergeSamples(p0 + x, p1 + x, p2 + x, d, n - x);
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

}  // namespace tessaro::sse41
