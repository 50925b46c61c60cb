// The per-value tables against the per-sample reference, on random frames and settings.
#include "pipeline/sample_table.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "host/filters.h"
#include "host/frame_callbacks.h"
#include "parallel/parallel.h"
#include "pipeline/frame_map.h"
#include "support/differential.h"
#include "support/filter_host.h"

namespace tessaro {
namespace {

using testing::FilterHost;
using testing::HostFrame;
using testing::Random;

// Random content of one of several kinds: noise over a range, a few levels, or a gradient.
void RandomFrame(HostFrame& f, Random& rng) {
  const int kind = rng.Range(0, 2);
  const int lo = rng.Range(-300, 3000), span = rng.Range(1, 4000);
  f.Fill([&](std::int32_t x, std::int32_t y) {
    auto sample = [&](int offset) -> std::int16_t {
      switch (kind) {
        case 0:
          return static_cast<std::int16_t>(lo + rng.Range(0, span) + offset);
        case 1:
          return static_cast<std::int16_t>(lo + (rng.Range(0, 3) * span) / 3 + offset);
        default:
          return static_cast<std::int16_t>(lo + (x * 7 + y * 3) % (span + 1) + offset);
      }
    };
    return YcPixel{sample(0), static_cast<std::int16_t>(sample(-lo) - span / 2),
                   static_cast<std::int16_t>(sample(-lo) - span / 3)};
  });
}

using Run = HostBool (*)(FilterDescriptor*, FrameInfo*, pipeline::Road);

// Same frame both ways; the picture must agree bit for bit. The row padding is compared only
// where neither path uses it as plane scratch.
void ExpectSamePicture(FilterDescriptor* filter, Run run, Random& rng, bool comparePadding,
                       int w = 0, int h = 0, pipeline::Road fast = pipeline::Road::kPasses) {
  if (w == 0) w = rng.Range(1, 90);
  if (h == 0) h = rng.Range(1, 40);
  const int pad = rng.Range(0, 5);
  HostFrame reference(w, h, w + pad);
  RandomFrame(reference, rng);
  HostFrame table = reference;
  const HostBool a = run(filter, reference.info(), pipeline::Road::kPerSample);
  const HostBool b = run(filter, table.info(), fast);
  ASSERT_EQ(a, b);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < (comparePadding ? w + pad : w); ++x) {
      ASSERT_TRUE(reference.at(x, y) == table.at(x, y)) << x << "," << y << " of " << w << "x" << h;
    }
  }
}

TEST(SampleTableTest, AutoLevelTablesMatchThePerSamplePath) {
  FilterHost host(0);
  for (std::uint64_t seed = 1; seed <= 120; ++seed) {
    const std::int32_t slot =
        static_cast<std::int32_t>(seed) % (testing::HighestRunnableSlot() + 1);
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " slot " << slot);
    const testing::ScopedSlot onSlot(slot);
    Random rng(seed);
    host.track(TrackMidRng) = rng.Range(5, 95);
    host.track(TrackSkip) = rng.OneIn(2) ? 0 : rng.Range(0, 400);
    host.check(CheckCb) = rng.OneIn(2);
    host.check(CheckCr) = rng.OneIn(2);
    const bool rgb = rng.OneIn(2);
    host.check(CheckRgbMode) = rgb;
    ExpectSamePicture(host.filter(), AutoLevelProcOnRoad, rng, !rgb);
  }
}

TEST(SampleTableTest, QuillonLevelTablesMatchThePerSamplePath) {
  FilterHost host(1);
  for (std::uint64_t seed = 1; seed <= 120; ++seed) {
    const std::int32_t slot =
        static_cast<std::int32_t>(seed) % (testing::HighestRunnableSlot() + 1);
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " slot " << slot);
    const testing::ScopedSlot onSlot(slot);
    Random rng(seed);
    for (int t = 0; t < kLevelsGammaTrack; ++t) {
      const int block = t % kLevelsTracksPerChannel;
      const bool clip = block == TrackClipHigh || block == TrackClipLow;
      host.track(t) = clip ? (rng.OneIn(2) ? 0 : rng.Range(0, 600)) : rng.Range(0, 4080);
    }
    for (int c = 0; c < 3; ++c) host.track(kLevelsGammaTrack + c) = rng.Range(1, 100);
    if (rng.OneIn(3)) {  // channels in step, as Sync RGB keeps them
      for (int t = kLevelsTracksPerChannel; t < kLevelsGammaTrack; ++t) {
        host.track(t) = host.track(t % kLevelsTracksPerChannel);
      }
      host.track(kLevelsGammaTrack + 1) = host.track(kLevelsGammaTrack + 2) =
          host.track(kLevelsGammaTrack);
    }
    ExpectSamePicture(host.filter(), LevelsProcOnRoad, rng, false);
  }
}

// Frames large enough for the sizes at which the default path splits histograms into bands
// and maps in passes, with several worker counts.
TEST(SampleTableTest, LargeFramesMatchThePerSamplePathWithEveryWorkerCount) {
  FilterHost levels(1), autoLevel(0);
  for (int workers : {1, 2, 3}) {
    parallel::SetMaxWorkers(workers);
    for (std::uint64_t seed = 1; seed <= 2; ++seed) {
      SCOPED_TRACE(::testing::Message() << workers << " workers, seed " << seed);
      Random rng(seed);
      for (int c = 0; c < 3; ++c) {
        const int b = c * kLevelsTracksPerChannel;
        levels.track(b + TrackClipHigh) = rng.Range(1, 600);
        levels.track(b + TrackClipLow) = rng.Range(1, 600);
        levels.track(kLevelsGammaTrack + c) = rng.Range(1, 100);
      }
      ExpectSamePicture(levels.filter(), LevelsProcOnRoad, rng, false, 1100, 500 + 7 * workers,
                        pipeline::Road::kChoose);
      autoLevel.check(CheckRgbMode) = 1;
      autoLevel.track(TrackSkip) = 0;
      ExpectSamePicture(autoLevel.filter(), AutoLevelProcOnRoad, rng, false, 1100, 501,
                        pipeline::Road::kChoose);
    }
  }
  parallel::SetMaxWorkers(0);
}

// A table maps through the lookup kernels; samples outside its range take the nearest end,
// and a table that maps every value to itself needs no reads.
TEST(SampleTableTest, ValuesOutsideTheTableTakeTheNearestEnd) {
  auto doubled = [](std::int16_t* plane, std::int32_t, std::int32_t width, std::int32_t height) {
    for (std::int32_t i = 0; i < width * height; ++i)
      plane[i] = static_cast<std::int16_t>(plane[i] * 2);
  };
  pipeline::SampleTable table, same;
  ASSERT_TRUE(table.Build(10, 13, doubled));
  ASSERT_TRUE(same.Build(10, 13, [](std::int16_t*, std::int32_t, std::int32_t, std::int32_t) {}));
  EXPECT_EQ(table.size(), 4);
  EXPECT_EQ(same.lookup().values, nullptr);
  // Channels 0 and 1 through the doubling table, channel 2 through the clamp into 10..13.
  std::array<std::int16_t, 9> px = {10, 13, -32768, 32767, 11, 12, -5, 12, 900};
  const SampleLookup lookups[3] = {table.lookup(), table.lookup(), same.lookup()};
  ASSERT_EQ(LookupS16C3(px.data(), 18, {3, 1}, lookups), StatusOk);
  EXPECT_EQ(px, (std::array<std::int16_t, 9>{20, 26, 10, 26, 22, 12, 20, 24, 13}));
  EXPECT_FALSE(table.Build(5, 4, doubled));
}

}  // namespace
}  // namespace tessaro
