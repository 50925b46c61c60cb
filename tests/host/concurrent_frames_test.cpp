// Several host threads processing their own frames through the same descriptor at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "host/filters.h"
#include "parallel/parallel.h"
#include "support/filter_host.h"

namespace tessaro {
namespace {

using testing::FilterHost;
using testing::HostFrame;

std::vector<HostFrame> Frames(int count) {
  std::vector<HostFrame> frames;
  for (int i = 0; i < count; ++i) {
    const std::int32_t w = 40 + 37 * i;
    const std::int32_t h = 3 + 5 * (i % 4);
    frames.emplace_back(w, h, w + i % 3);
    frames.back().Fill([i](std::int32_t x, std::int32_t y) {
      return YcPixel{static_cast<std::int16_t>((900 + 31 * i + 13 * x * (i + 1) + 47 * y) % 4097),
                     static_cast<std::int16_t>(-700 + 11 * x - 9 * y + 40 * i),
                     static_cast<std::int16_t>(500 - 7 * x + 19 * y - 30 * i)};
    });
  }
  return frames;
}

struct Setting {
  int filter;
  std::vector<std::pair<int, std::int32_t>> tracks, checks;
};

TEST(ConcurrentFrames, EqualTheSerialRun) {
  const Setting settings[] = {
      {0, {{TrackMidRng, 35}}, {{CheckCb, 1}, {CheckCr, 1}}},
      {0, {{TrackSkip, 0}}, {{CheckRgbMode, 1}}},
      {1,
       {{TrackClipLow, 200},
        {kLevelsTracksPerChannel + TrackClipHigh, 300},
        {kLevelsGammaTrack, 60}},
       {}},
  };
  constexpr int kThreads = 4;
  constexpr int kFramesPerThread = 6;
  for (int workers : {1, 2}) {
    parallel::SetMaxWorkers(workers);
    for (const Setting& s : settings) {
      SCOPED_TRACE(::testing::Message() << "filter " << s.filter << " workers " << workers);
      FilterHost host(s.filter);
      for (auto [i, v] : s.tracks) host.track(i) = v;
      for (auto [i, v] : s.checks) host.check(i) = v;
      const std::vector<HostFrame> inputs = Frames(kThreads * kFramesPerThread);
      std::vector<HostFrame> serial(inputs);
      std::vector<HostBool> serialResults;
      for (HostFrame& f : serial) serialResults.push_back(f.Process(host.filter()));

      std::vector<HostFrame> threaded(inputs);
      std::vector<HostBool> results(threaded.size(), -1);
      std::vector<std::thread> threads;
      for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
          for (std::size_t i = t; i < threaded.size(); i += kThreads) {
            results[i] = threaded[i].Process(host.filter());
          }
        });
      }
      for (std::thread& t : threads) t.join();
      for (std::size_t i = 0; i < threaded.size(); ++i) {
        EXPECT_EQ(results[i], serialResults[i]) << i;
        EXPECT_EQ(threaded[i].edit(), serial[i].edit()) << i;
      }
    }
  }
  parallel::SetMaxWorkers(0);
}

}  // namespace
}  // namespace tessaro
