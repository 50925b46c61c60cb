// The OBS module's filter on its own, as OBS's video thread calls it: no heap request after a
// stream's first frame, and the smoothing started afresh exactly where the frames stop following
// each other.
#include "live_filter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "frame_samples.h"
#include "pipeline/start.h"
#include "support/failing_heap.h"

namespace {

std::atomic<std::int64_t> g_news{0};

}  // namespace

// Every allocation of the program counted, the C++ library's included; ThreadSanitizer's
// runtime keeps operator new to itself (TESSARO_NO_NEW_COUNT), and there only the module's own
// heap requests are counted.
#ifndef TESSARO_NO_NEW_COUNT
constexpr bool kCountsNew = true;
void* operator new(std::size_t bytes) {
  ++g_news;
  if (void* p = std::malloc(bytes != 0 ? bytes : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#else
constexpr bool kCountsNew = false;
#endif

namespace tessaro {
namespace {

using obs::VideoFormat;
using obs_test::Format;
using obs_test::FormatOf;
using obs_test::kFrameNs;
using obs_test::OwnedFrame;
using obs_test::Samples;
using tools::Controls;
using tools::FindFilter;
using tools::LiveFilter;

struct FilterSetup {
  const char* name;
  const char* filter;
  void (*set)(Controls* c);
};

const FilterSetup kSetups[] = {
    {"Auto Level default", "Auto Level", [](Controls*) {}},
    {"Auto Level Cb + Cr", "Auto Level", [](Controls* c) { c->checks[0] = c->checks[1] = 1; }},
    {"Auto Level RGB mode", "Auto Level",
     [](Controls* c) {
       c->checks[2] = 1;
       c->sliders[1] = 0;
     }},
    {"Quillon Level default", "Quillon Level", [](Controls*) {}},
    {"Quillon Level clipped", "Quillon Level",
     [](Controls* c) {
       c->sliders[0] = c->sliders[13] = 60;  // Rc-Hi, Bc-Low
       c->sliders[19] = 70;                  // gamG
     }},
};

// The filter of a setup, with smoothing.
void Configure(LiveFilter* filter, const FilterSetup& setup, std::int32_t smoothing) {
  Controls c = FindFilter(setup.filter)->Defaults();
  setup.set(&c);
  filter->Set(c, smoothing);
}

class LiveFilterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(pipeline::StartFilters()); }
};

// A stream of one size and format, its frames' content changing (a cut among them): after the
// first frame, not one request of the heap, of the module's allocator or of the C++ library's.
TEST_F(LiveFilterTest, NoHeapRequestAfterTheFirstFrame) {
  const VideoFormat formats[] = {VideoFormat::kNv12, VideoFormat::kI420, VideoFormat::kYuy2,
                                 VideoFormat::kP010, VideoFormat::kI444, VideoFormat::kY800,
                                 VideoFormat::kRgba, VideoFormat::kBgrx};
  for (const VideoFormat id : formats) {
    const Format& f = *FormatOf(id);
    for (const FilterSetup& setup : kSetups) {
      for (const std::int32_t smoothing : {0, 4}) {
        SCOPED_TRACE(::testing::Message()
                     << f.name << ", " << setup.name << ", smoothing " << smoothing);
        LiveFilter filter(*FindFilter(setup.filter));
        Configure(&filter, setup, smoothing);
        std::vector<OwnedFrame> frames;
        for (int n = 0; n < 6; ++n) {
          const int level = n < 3 ? 5 * n : 70 - 3 * n;  // a cut between the third and fourth
          frames.push_back(obs_test::ToFrame(f, obs_test::Scene(f, 320, 180, 7u + n, level),
                                             id == VideoFormat::kI444,
                                             1'000'000'000 + n * kFrameNs));
        }
        ASSERT_EQ(filter.Filter(&frames[0].frame), LiveFilter::Result::kDone);
        const std::int64_t heap = testing::HeapRequests(), news = g_news.load();
        for (std::size_t n = 1; n < frames.size(); ++n) {
          ASSERT_EQ(filter.Filter(&frames[n].frame), LiveFilter::Result::kDone);
        }
        EXPECT_EQ(testing::HeapRequests() - heap, 0);
        if (kCountsNew) {
          EXPECT_EQ(g_news.load() - news, 0);
        }
      }
    }
  }
}

// Smoothing over the frames before reaches only across frames that follow each other: a frame
// after a pause or a seek, or of another size, format or range, stands alone, as it would with
// no smoothing; one that follows differs from that (its scene's earlier frames count).
TEST_F(LiveFilterTest, SmoothingStartsAfreshWhereTheStreamDoesNotContinue) {
  struct Next {
    const char* what;
    std::int64_t stepNs;
    int width;
    VideoFormat format;
    bool fullRange;
    bool continues;
  };
  const Next cases[] = {
      {"the next frame", kFrameNs, 160, VideoFormat::kNv12, false, true},
      {"after dropped frames", 300'000'000, 160, VideoFormat::kNv12, false, true},
      {"half a second later", LiveFilter::kMaxGapNs, 160, VideoFormat::kNv12, false, true},
      {"a pause", LiveFilter::kMaxGapNs + 1, 160, VideoFormat::kNv12, false, false},
      {"the same time", 0, 160, VideoFormat::kNv12, false, false},
      {"a step back", -std::int64_t{kFrameNs}, 160, VideoFormat::kNv12, false, false},
      {"another width", kFrameNs, 162, VideoFormat::kNv12, false, false},
      {"another format", kFrameNs, 160, VideoFormat::kI420, false, false},
      {"another range", kFrameNs, 160, VideoFormat::kNv12, true, false},
  };
  const FilterSetup& setup = kSetups[1];  // Auto Level with Cb and Cr: every plane measured
  for (const Next& next : cases) {
    SCOPED_TRACE(next.what);
    LiveFilter smoothed(*FindFilter(setup.filter));
    Configure(&smoothed, setup, 5);
    const Format& first = *FormatOf(VideoFormat::kNv12);
    const std::uint64_t start = 5'000'000'000;
    // Three frames of one scene, slowly brightening.
    for (int n = 0; n < 3; ++n) {
      OwnedFrame o = obs_test::ToFrame(first, obs_test::Scene(first, 160, 90, 30u + n, 2 * n),
                                       false, start + n * kFrameNs);
      ASSERT_EQ(smoothed.Filter(&o.frame), LiveFilter::Result::kDone);
    }
    const Format& f = *FormatOf(next.format);
    const Samples scene = obs_test::Scene(f, next.width, 90, 33u, 6);
    const std::uint64_t time = start + 2 * kFrameNs + next.stepNs;
    OwnedFrame a = obs_test::ToFrame(f, scene, next.fullRange, time);
    OwnedFrame b = obs_test::ToFrame(f, scene, next.fullRange, time);
    ASSERT_EQ(smoothed.Filter(&a.frame), LiveFilter::Result::kDone);
    LiveFilter alone(*FindFilter(setup.filter));
    Configure(&alone, setup, 0);
    ASSERT_EQ(alone.Filter(&b.frame), LiveFilter::Result::kDone);
    const bool standsAlone =
        obs_test::Differences(obs_test::FromFrame(f, a.frame), obs_test::FromFrame(f, b.frame))
            .empty();
    EXPECT_EQ(standsAlone, !next.continues);
  }
}

}  // namespace
}  // namespace tessaro
