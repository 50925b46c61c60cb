// Every slot of SplitS16C3 and MergeS16C3 against the generic slot: same status, same bytes
// in the written region, the padding between rows and the guards around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::Fill;
using testing::GuardedImage;
using testing::Random;

// One interleaved image and three planes sharing one step; `upward` addresses both from
// their bottom rows with negative steps.
struct Frame {
  Frame(ImageSize size, std::int32_t padPixels, std::int32_t padPlane)
      : size(size),
        pixels(size.width, size.height, 3, padPixels),
        planes{{size.width, size.height, 1, padPlane},
               {size.width, size.height, 1, padPlane},
               {size.width, size.height, 1, padPlane}} {}
  void FillAll(Random& rng, Fill fill) {
    pixels.Fill([&] { return testing::RandomS16(rng, fill); });
    for (auto& p : planes) p.Fill([&] { return testing::RandomS16(rng, fill); });
  }
  Status Split(int slot, bool upward) {
    std::int16_t* dst[3];
    for (int c = 0; c < 3; ++c) dst[c] = Base(planes[c], upward);
    return slots::SplitS16C3[slot](Base(pixels, upward), Step(pixels, upward), dst,
                                   Step(planes[0], upward), size);
  }
  Status Merge(int slot, bool upward) {
    const std::int16_t* src[3];
    for (int c = 0; c < 3; ++c) src[c] = Base(planes[c], upward);
    return slots::MergeS16C3[slot](src, Step(planes[0], upward), Base(pixels, upward),
                                   Step(pixels, upward), size);
  }
  std::int16_t* Base(GuardedImage<std::int16_t>& image, bool upward) {
    return upward ? &image.at(0, size.height - 1) : image.data();
  }
  std::int32_t Step(const GuardedImage<std::int16_t>& image, bool upward) {
    return upward ? -image.step() : image.step();
  }
  void ExpectSameBytes(const Frame& want) const {
    EXPECT_EQ(testing::FirstDifference(want.pixels.bytes(), pixels.bytes()), -1) << "interleaved";
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(testing::FirstDifference(want.planes[c].bytes(), planes[c].bytes()), -1)
          << "plane " << c;
    }
  }

  ImageSize size;
  GuardedImage<std::int16_t> pixels;
  GuardedImage<std::int16_t> planes[3];
};

// A split or a merge on images of their own, unpadded half of the time (packed planes take the
// merge's one-row path): the generic slot's status and bytes.
void ExpectLikeGeneric(testing::SlotCase& c, bool merge) {
  SCOPED_TRACE(merge ? "merge" : "split");
  const std::int32_t padPixels = c.rng.OneIn(2) ? 0 : c.rng.Range(1, 9);
  const std::int32_t padPlane = c.rng.OneIn(2) ? 0 : c.rng.Range(1, 9);
  const bool upward = c.rng.OneIn(4);
  Frame want(c.size, padPixels, padPlane);
  want.FillAll(c.rng, c.fill);
  Frame got = want;
  EXPECT_EQ(merge ? want.Merge(0, upward) : want.Split(0, upward),
            merge ? got.Merge(c.slot, upward) : got.Split(c.slot, upward));
  got.ExpectSameBytes(want);
}

TEST(PlanarCopySimdTest, MatchesGenericOnRandomImages) {
  testing::ForEverySlot("SplitS16C3 and MergeS16C3",
                        [](testing::SlotCase& c) {
                          ExpectLikeGeneric(c, false);
                          ExpectLikeGeneric(c, true);
                        },
                        {.heights = {1, 2, 5}});
}

// Exactly sized buffers: under the address sanitizer any access past the region faults.
TEST(PlanarCopySimdTest, TouchesNothingPastTightRegions) {
  testing::ForEverySlot(
      "SplitS16C3 and MergeS16C3",
      [](testing::SlotCase& c) {
        const auto [width, height] = c.size;
        const std::size_t n = std::size_t(width) * height;
        std::vector<std::int16_t> pixels(3 * n), back(3 * n);
        std::vector<std::int16_t> planes[3] = {std::vector<std::int16_t>(n),
                                               std::vector<std::int16_t>(n),
                                               std::vector<std::int16_t>(n)};
        for (auto& v : pixels) v = testing::RandomS16(c.rng, c.fill);
        std::int16_t* dst[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
        ASSERT_EQ(slots::SplitS16C3[c.slot](pixels.data(), 6 * width, dst, 2 * width, c.size),
                  StatusOk);
        for (std::size_t i = 0; i < n; ++i) {
          for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(planes[ch][i], pixels[3 * i + ch]);
        }
        // Packed planes take the one-row path; a single row with step 0 the row-by-row one.
        const std::int16_t* src[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
        ASSERT_EQ(slots::MergeS16C3[c.slot](src, 2 * width, back.data(), 6 * width, c.size),
                  StatusOk);
        EXPECT_EQ(back, pixels);
        std::vector<std::int16_t> row(3 * std::size_t(width));
        ASSERT_EQ(slots::MergeS16C3[c.slot](src, 2 * width, row.data(), 0, {width, 1}), StatusOk);
        EXPECT_TRUE(std::equal(row.begin(), row.end(), pixels.begin()));
      },
      {.heights = {2}});
}

}  // namespace
}  // namespace tessaro
