// Every slot of MeanS16C3 and MinMaxS16C3 against the generic slot on seeded random images.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::Fill;
using testing::GuardedImage;
using testing::Random;

struct Results {
  Status meanStatus, minMaxStatus;
  double means[3];
  std::int16_t mins[3], maxs[3];
};

Results Measure(int slot, const std::int16_t* src, std::int32_t step, ImageSize size) {
  Results r;
  std::memset(&r, 0x5A, sizeof r);
  r.meanStatus = slots::MeanS16C3[slot](src, step, size, r.means);
  r.minMaxStatus = slots::MinMaxS16C3[slot](src, step, size, r.mins, r.maxs);
  return r;
}

void ExpectSame(const Results& want, const Results& got) {
  EXPECT_EQ(want.meanStatus, got.meanStatus);
  EXPECT_EQ(want.minMaxStatus, got.minMaxStatus);
  EXPECT_EQ(0, std::memcmp(want.means, got.means, sizeof want.means))
      << want.means[0] << " " << want.means[1] << " " << want.means[2] << " vs " << got.means[0]
      << " " << got.means[1] << " " << got.means[2];
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(want.mins[c], got.mins[c]) << "channel " << c;
    EXPECT_EQ(want.maxs[c], got.maxs[c]) << "channel " << c;
  }
}

// Padding and guards hold 0xA5A5 (-23131): a read past a row changes the minimum or the mean
// of the small-valued fills. One case in four runs upwards, behind a negative step.
TEST(StatisticsSimdTest, MatchesGenericOnRandomImages) {
  testing::ForEverySlot(
      "MeanS16C3 and MinMaxS16C3",
      [](testing::SlotCase& c) {
        GuardedImage<std::int16_t> image = c.S16(3);
        const bool upward = c.rng.OneIn(4);
        const std::int16_t* base = upward ? &image.at(0, c.size.height - 1) : image.data();
        const std::int32_t step = upward ? -image.step() : image.step();
        ExpectSame(Measure(0, base, step, c.size), Measure(c.slot, base, step, c.size));
      },
      {.heights = {1, 2, 5}});
}

// Large regions cross the blocks in which 32-bit lane sums are flushed; every sample at one
// end of the range is the case in which a lane would overflow first.
TEST(StatisticsSimdTest, MatchesGenericAcrossSumBlocks) {
  struct Case {
    std::int32_t width, height;
    std::int16_t value;
  };
  const Case cases[] = {{65537, 1, -32768}, {65536, 1, 32767},   {1920, 300, -32768},
                        {1920, 300, 32767}, {24, 12000, -32768}, {640, 480, 0}};
  for (int slot = 1; slot <= testing::HighestRunnableSlot(); ++slot) {
    for (const Case& k : cases) {
      SCOPED_TRACE(::testing::Message()
                   << "slot " << slot << " " << k.width << "x" << k.height << " of " << k.value);
      std::vector<std::int16_t> image(std::size_t(3) * k.width * k.height, k.value);
      if (k.value == 0) {  // a few extremes, so the early stop of min/max triggers late
        image[image.size() / 2] = -32768;
        image[image.size() / 2 + 4] = 32767;
        image[image.size() - 3] = 5;
      }
      ExpectSame(Measure(0, image.data(), 6 * k.width, {k.width, k.height}),
                 Measure(slot, image.data(), 6 * k.width, {k.width, k.height}));
    }
  }
}

// Exactly sized rows: under the address sanitizer any read past the region faults.
TEST(StatisticsSimdTest, ReadsNothingPastTightRegions) {
  for (int slot = 1; slot <= testing::HighestRunnableSlot(); ++slot) {
    for (std::int32_t width = 1; width <= 67; ++width) {
      SCOPED_TRACE(::testing::Message() << "slot " << slot << " width " << width);
      Random rng(static_cast<std::uint64_t>(width));
      std::vector<std::int16_t> row(std::size_t(3) * width);
      for (auto& v : row) v = testing::RandomS16(rng, Fill::kMixed);
      ExpectSame(Measure(0, row.data(), 6 * width, {width, 1}),
                 Measure(slot, row.data(), 6 * width, {width, 1}));
    }
  }
}

}  // namespace
}  // namespace tessaro
