#include "levels/levels_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace tessaro {
namespace {

using Pairs = std::vector<std::pair<std::int16_t, std::int16_t>>;  // sample, expected

constexpr std::int16_t kGuard = -12345;
constexpr std::int32_t kPad = 3;  // guard samples after every row

// For widths 1 to 9: the samples laid out row by row (the last row topped up from the start)
// in a plane with guarded padding, stretched, and every sample and guard checked.
void ExpectStretch(float lowClip, float highClip, const Pairs& pairs) {
  const std::int32_t n = static_cast<std::int32_t>(pairs.size());
  for (std::int32_t w = 1; w <= 9; ++w) {
    const std::int32_t h = (n + w - 1) / w;
    const std::int32_t stride = w + kPad;
    std::vector<std::int16_t> plane(static_cast<std::size_t>(stride * h), kGuard);
    auto at = [&](std::int32_t i) -> std::int16_t& {
      return plane[static_cast<std::size_t>(i / w * stride + i % w)];
    };
    for (std::int32_t i = 0; i < w * h; ++i) at(i) = pairs[static_cast<std::size_t>(i % n)].first;
    ContrastStretchRows(plane.data(), 2 * stride, w, h, lowClip, highClip);
    for (std::int32_t i = 0; i < w * h; ++i) {
      const auto& [in, out] = pairs[static_cast<std::size_t>(i % n)];
      ASSERT_EQ(at(i), out) << "width " << w << " sample " << in;
    }
    for (std::int32_t i = 0; i < stride * h; ++i) {
      if (i % stride >= w) {
        ASSERT_EQ(plane[static_cast<std::size_t>(i)], kGuard) << "width " << w;
      }
    }
  }
}

TEST(LevelsRows, StretchHitsItsEndPointsExactlyAndClampsOutside) {
  // A span of 512 keeps every quotient exact.
  ExpectStretch(100.0f, 612.0f,
                {{-32768, 0},
                 {0, 0},
                 {99, 0},
                 {100, 0},
                 {101, 8},
                 {228, 1020},
                 {356, 2040},
                 {611, 4072},
                 {612, 4080},
                 {613, 4080},
                 {32767, 4080}});
  ExpectStretch(7.0f, 4079.0f, {{6, 0}, {7, 0}, {2043, 2040}, {4079, 4080}, {4080, 4080}});
  // The full range onto itself comes back sample for sample.
  Pairs same;
  for (std::int16_t v = 0; v <= 4080; ++v) same.emplace_back(v, v);
  ExpectStretch(0.0f, 4080.0f, same);
}

}  // namespace
}  // namespace tessaro
