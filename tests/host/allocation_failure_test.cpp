// Both filters with each heap request of a frame failing in turn, alone or with every request
// after it: the documented outcome, no crash, and (under LeakSanitizer) nothing leaked.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/filters.h"
#include "host/frame_callbacks.h"
#include "parallel/parallel.h"
#include "support/failing_heap.h"
#include "support/filter_host.h"

namespace tessaro {
namespace {

using testing::FilterHost;
using testing::HeapFailure;
using testing::HeapRequests;
using testing::HostFrame;

constexpr pipeline::Road kPaths[] = {
    pipeline::Road::kChoose, pipeline::Road::kPerSample, pipeline::Road::kPasses};

// Wide enough that Auto Level takes its table path by default.
HostFrame PatternFrame() {
  HostFrame f(47, 9, 50);
  f.Fill([](std::int32_t x, std::int32_t y) {
    return YcPixel{static_cast<std::int16_t>(200 + 71 * x + 131 * y),
                   static_cast<std::int16_t>(-1500 + 37 * x + 11 * y),
                   static_cast<std::int16_t>(1200 - 29 * x + 7 * y)};
  });
  return f;
}

// One worker: requests come in row order, so a failing request names its row.
class OneWorker : public ::testing::Test {
 protected:
  void SetUp() override { parallel::SetMaxWorkers(1); }
  void TearDown() override { parallel::SetMaxWorkers(0); }
};

using AllocationFailure = OneWorker;

// The pixels inside the width: the row padding may serve as plane scratch on some paths.
std::vector<YcPixel> Picture(HostFrame& f) {
  std::vector<YcPixel> pixels;
  for (std::int32_t y = 0; y < f.height(); ++y) {
    for (std::int32_t x = 0; x < f.width(); ++x) pixels.push_back(f.at(x, y));
  }
  return pixels;
}

template <typename Run>
std::int64_t RequestsOf(const HostFrame& input, Run run) {
  HostFrame frame(input);
  const std::int64_t before = HeapRequests();
  run(frame);
  return HeapRequests() - before;
}

TEST_F(AllocationFailure, AutoLevelYcLeavesTheRowWhoseBufferFailedUnchanged) {
  FilterHost host(0);
  const HostFrame input = PatternFrame();
  auto run = [&](HostFrame& f) {
    return AutoLevelProcOnRoad(host.filter(), f.info(), pipeline::Road::kPerSample);
  };
  HostFrame reference(input);
  ASSERT_EQ(run(reference), kTrue);
  const std::int64_t requests = RequestsOf(input, run);
  ASSERT_EQ(requests, input.height()) << "one float row per luma row";
  for (bool andLater : {false, true}) {
    for (std::int64_t n = 1; n <= requests; ++n) {
      SCOPED_TRACE(::testing::Message() << "request " << n << (andLater ? " on" : ""));
      HostFrame frame(input);
      HostFrame original(input);
      {
        HeapFailure failure(n, andLater);
        EXPECT_EQ(run(frame), kTrue);
      }
      for (std::int32_t y = 0; y < frame.height(); ++y) {
        const bool failed = y == n - 1 || (andLater && y >= n - 1);
        for (std::int32_t x = 0; x < frame.width(); ++x) {
          const YcPixel want = failed ? original.at(x, y) : reference.at(x, y);
          ASSERT_EQ(frame.at(x, y), want) << x << "," << y;
        }
      }
    }
  }
}

TEST_F(AllocationFailure, LevelsEndsTheClippingStepAtTheChannelWhoseHistogramFailed) {
  FilterHost host(1);
  host.track(TrackClipLow) = 300;                                 // R
  host.track(2 * kLevelsTracksPerChannel + TrackClipHigh) = 500;  // B
  const HostFrame input = PatternFrame();
  // The frame is too small for the pipeline by default: both paths clip plane by plane.
  for (pipeline::Road path : {pipeline::Road::kChoose, pipeline::Road::kPerSample}) {
    SCOPED_TRACE(static_cast<int>(path));
    auto run = [&](HostFrame& f) { return LevelsProcOnRoad(host.filter(), f.info(), path); };
    // What the frame becomes when clipping ends before R, and before B.
    auto withClips = [&](std::int32_t r, std::int32_t b) {
      host.track(TrackClipLow) = r;
      host.track(2 * kLevelsTracksPerChannel + TrackClipHigh) = b;
      HostFrame f(input);
      EXPECT_EQ(run(f), kTrue);
      host.track(TrackClipLow) = 300;
      host.track(2 * kLevelsTracksPerChannel + TrackClipHigh) = 500;
      return Picture(f);
    };
    const std::vector<YcPixel> ended[2] = {withClips(0, 0), withClips(300, 0)};
    ASSERT_NE(ended[0], ended[1]);
    // Four requests per clipped channel (counters, level table, scratch, record), R first.
    for (std::int64_t n = 1; n <= 8; ++n) {
      SCOPED_TRACE(n);
      HostFrame frame(input);
      {
        HeapFailure failure(n);
        EXPECT_EQ(run(frame), kTrue);
      }
      EXPECT_EQ(Picture(frame), ended[n <= 4 ? 0 : 1]);
    }
  }
}

// The pipeline asks for its counters first; without them the frame goes the per-sample way.
TEST_F(AllocationFailure, LevelsPipelineFallsBackToThePerSamplePathWithoutItsCounters) {
  FilterHost host(1);
  host.track(TrackClipLow) = 300;
  const HostFrame input = PatternFrame();
  HostFrame reference(input), frame(input);
  ASSERT_EQ(LevelsProcOnRoad(host.filter(), reference.info(), pipeline::Road::kPerSample),
            kTrue);
  {
    HeapFailure failure(1);
    EXPECT_EQ(LevelsProcOnRoad(host.filter(), frame.info(), pipeline::Road::kPasses),
              kTrue);
  }
  EXPECT_EQ(Picture(frame), Picture(reference));
}

// Every request of a frame, alone and with all after it: the frame is still returned.
TEST_F(AllocationFailure, EveryRequestOfEveryPathFailingInTurn) {
  struct Case {
    int filter;
    std::int32_t rgbMode;
  };
  for (const Case c : {Case{0, 0}, Case{0, 1}, Case{1, 0}}) {
    FilterHost host(c.filter);
    if (c.filter == 0) {
      host.check(CheckRgbMode) = c.rgbMode;
      host.check(CheckCb) = host.check(CheckCr) = 1;
      host.track(TrackSkip) = 0;
    } else {
      for (int ch = 0; ch < 3; ++ch) host.track(ch * kLevelsTracksPerChannel + TrackClipLow) = 100;
      host.track(kLevelsGammaTrack) = 40;
    }
    const HostFrame input = PatternFrame();
    for (pipeline::Road path : kPaths) {
      auto run = [&](HostFrame& f) {
        if (c.filter == 1) return LevelsProcOnRoad(host.filter(), f.info(), path);
        return AutoLevelProcOnRoad(host.filter(), f.info(), path);
      };
      const std::int64_t requests = RequestsOf(input, run);
      ASSERT_GT(requests, 0);
      for (bool andLater : {false, true}) {
        for (std::int64_t n = 1; n <= requests; ++n) {
          SCOPED_TRACE(::testing::Message()
                       << "filter " << c.filter << " rgb " << c.rgbMode << " path "
                       << static_cast<int>(path) << " request " << n << (andLater ? " on" : ""));
          HostFrame frame(input);
          HeapFailure failure(n, andLater);
          EXPECT_EQ(run(frame), kTrue);
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessaro
