#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "host/filters.h"
#include "parallel/parallel.h"
#include "pipeline/frame_convert.h"
#include "primitives/status.h"
#include "support/filter_host.h"

namespace tessaro {
namespace {

using testing::ExactPower;
using testing::FilterHost;
using testing::HostFrame;
using testing::ToS16;

using Samples = std::vector<std::int16_t>;  // interleaved pixels, w x h, no padding

// One channel's sliders in track order.
struct Sliders {
  std::int32_t clipHigh = 0, clipLow = 0, inFirst = 4080, inSecond = 0, outFirst = 4080,
               outSecond = 0, gamma = 100;
};
using AllSliders = std::array<Sliders, 3>;

struct Clip {
  float low, high;
};
using Clips = std::array<std::optional<Clip>, 3>;  // empty: the channel is not clipped

Samples FrameSamples(HostFrame& f) {
  Samples s;
  for (std::int32_t y = 0; y < f.height(); ++y) {
    for (std::int32_t x = 0; x < f.width(); ++x) {
      s.insert(s.end(), {f.at(x, y).y, f.at(x, y).cb, f.at(x, y).cr});
    }
  }
  return s;
}

std::int16_t Clamp(std::int16_t v) {
  return std::clamp<std::int16_t>(v, 0, 4080);
}

// The frame in RGB, clamped into 0..4080: what the clipping step sees.
Samples ClampedRgb(HostFrame& f) {
  const Samples yc = FrameSamples(f);
  Samples rgb(yc.size());
  const std::int32_t step = 6 * f.width();
  ConvertYcToRgbFrame(yc.data(), step, rgb.data(), step, f.width(), f.height());
  for (auto& v : rgb) v = Clamp(v);
  return rgb;
}

Samples ToYc(const Samples& rgb, std::int32_t w, std::int32_t h) {
  Samples yc(rgb.size());
  ConvertRgbToYcFrame(rgb.data(), 6 * w, yc.data(), 6 * w, w, h);
  return yc;
}

// Black and white points by rank among the samples below 4080 (4080 is in no bin): the
// lowCount-th darkest and the highCount-th brightest.
Clip RankClip(const Samples& rgb, int c, std::int64_t lowCount, std::int64_t highCount) {
  Samples v;
  for (std::size_t i = static_cast<std::size_t>(c); i < rgb.size(); i += 3) {
    if (rgb[i] < 4080) v.push_back(rgb[i]);
  }
  std::sort(v.begin(), v.end());
  const auto n = static_cast<std::int64_t>(v.size());
  const float low = lowCount <= 0 ? 0.0f : lowCount > n ? 4080.0f : v[lowCount - 1];
  const float high = highCount <= 0 ? 4079.0f : highCount > n ? 0.0f : v[n - highCount];
  return {low, high};
}

// Slider / 4080 of the pixels, halves away from zero.
std::int64_t Count(std::int32_t slider, std::int32_t w, std::int32_t h) {
  return std::llround(static_cast<float>(slider) / 4080.0f * static_cast<float>(w) *
                      static_cast<float>(h));
}

Clips CountedClips(const Samples& rgb, const AllSliders& s, std::int32_t w, std::int32_t h) {
  Clips clips;
  for (int c = 0; c < 3; ++c) {
    const Sliders& k = s[static_cast<std::size_t>(c)];
    if (k.clipHigh > 0 || k.clipLow > 0) {
      clips[static_cast<std::size_t>(c)] =
          RankClip(rgb, c, Count(k.clipLow, w, h), Count(k.clipHigh, w, h));
    }
  }
  return clips;
}

// One sample through the three stages, straight from the formulas.
std::int16_t Levels(std::int16_t x, const Sliders& s, const std::optional<Clip>& clip) {
  if (clip && clip->high - clip->low >= 4.0f) {
    const float t = std::clamp((x - clip->low) / (clip->high - clip->low), 0.0f, 1.0f);
    x = ToS16(t * 4080.0f);
  }
  const float inLow = static_cast<float>(std::min(s.inFirst, s.inSecond));
  const float inHigh = static_cast<float>(std::max(s.inFirst, s.inSecond));
  const float scale =
      inHigh != inLow ? static_cast<float>(1.0 / static_cast<double>(inHigh - inLow)) : 1.0f;
  // Below the input low point is black whatever the gamma.
  const float base = std::max((x - inLow) * scale, 0.0f);
  const float gamma = static_cast<float>(s.gamma) / 100.0f;
  x = Clamp(ToS16(ExactPower(base, 1.0f / gamma) * 4080.0f));
  const float outLow = static_cast<float>(std::min(s.outFirst, s.outSecond));
  const float outHigh = static_cast<float>(std::max(s.outFirst, s.outSecond));
  return Clamp(ToS16(x / 4080.0f * (outHigh - outLow) + outLow));
}

Samples Expected(Samples rgb, std::int32_t w, std::int32_t h, const AllSliders& s,
                 const Clips& clips) {
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = Levels(rgb[i], s[i % 3], clips[i % 3]);
  return ToYc(rgb, w, h);
}

// Gradients and noise wide enough that R, G and B leave 0..4080 in places.
void FillScene(HostFrame& f, unsigned seed) {
  const std::int32_t w = f.width(), h = f.height();
  f.Fill([&](std::int32_t x, std::int32_t y) {
    seed = seed * 1103515245u + 12345u;
    const int noise = static_cast<int>((seed >> 16) % 201) - 100;
    return YcPixel{static_cast<std::int16_t>(x * 4200 / (w - 1) - 60 + noise),
                   static_cast<std::int16_t>(y * 2400 / (h - 1) - 1200 + noise),
                   static_cast<std::int16_t>(1000 - (x + y) * 2000 / (w + h - 2) + noise / 2)};
  });
}

void SetSliders(FilterHost& host, const AllSliders& s) {
  for (int c = 0; c < 3; ++c) {
    const Sliders& k = s[static_cast<std::size_t>(c)];
    const std::int32_t block[6] = {k.clipHigh, k.clipLow,  k.inFirst,
                                   k.inSecond, k.outFirst, k.outSecond};
    for (int t = 0; t < 6; ++t) host.track(kLevelsTracksPerChannel * c + t) = block[t];
    host.track(kLevelsGammaTrack + c) = k.gamma;
  }
}

class LevelsProcTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { parallel::SetMaxWorkers(GetParam()); }
  void TearDown() override { parallel::SetMaxWorkers(0); }

  void Set(const AllSliders& s) { SetSliders(host_, s); }

  // Runs the filter as the host does. Pixels past the width are scratch to the filter.
  Samples Run(HostFrame& f) {
    EXPECT_EQ(f.Process(host_.filter()), kTrue);
    return FrameSamples(f);
  }

  FilterHost host_{1};
};

void ExpectSame(const Samples& got, const Samples& expected) {
  ASSERT_EQ(got.size(), expected.size());
  int shown = 0;
  for (std::size_t i = 0; i < got.size() && shown < 5; ++i) {
    if (got[i] != expected[i]) {
      ADD_FAILURE() << "pixel " << i / 3 << " sample " << i % 3 << ": " << got[i] << " expected "
                    << expected[i];
      ++shown;
    }
  }
}

TEST_P(LevelsProcTest, DefaultSlidersGiveTheRoundTripWithTheClamp) {
  HostFrame f(37, 23, 41);
  FillScene(f, 5u);
  const Samples rgb = ClampedRgb(f);
  ExpectSame(Run(f), ToYc(rgb, 37, 23));
}

TEST_P(LevelsProcTest, MatchesTheFormulasForEverySliderSet) {
  const AllSliders sets[] = {
      {Sliders{41, 41, 4080, 0, 4080, 0, 50}, Sliders{41, 41, 4080, 0, 4080, 0, 50},
       Sliders{41, 41, 4080, 0, 4080, 0, 50}},
      {Sliders{0, 300, 3500, 200, 4000, 100, 73}, Sliders{250, 0, 900, 3900, 300, 3800, 100},
       Sliders{0, 0, 2000, 2000, 4080, 0, 1}},
      {Sliders{3000, 2000, 0, 4080, 0, 4080, 100}, Sliders{7, 4080, 1, 4079, 2000, 2000, 37},
       Sliders{100, 100, 3000, 1000, 3500, 500, 100}},
  };
  for (const AllSliders& s : sets) {
    SCOPED_TRACE(::testing::Message() << "set " << &s - sets);
    HostFrame f(37, 23, 41);
    FillScene(f, static_cast<unsigned>(s[0].clipLow));
    const Samples rgb = ClampedRgb(f);
    Set(s);
    ExpectSame(Run(f), Expected(rgb, 37, 23, s, CountedClips(rgb, s, 37, 23)));
  }
}

TEST_P(LevelsProcTest, ClipLowAloneStretchesFromItsRankTo4079) {
  // 41 / 4080 of 1000 pixels is 10.05, and 2040 / 4080 of 9 pixels 4.5: counts 10 and 5.
  struct Case {
    std::int32_t w, h, clipLow;
    std::int64_t count;
  };
  for (const Case& c : {Case{100, 10, 41, 10}, Case{3, 3, 2040, 5}}) {
    HostFrame f(c.w, c.h, c.w + 2);
    // Distinct greys, so that every rank is a different level.
    f.Fill([&](std::int32_t x, std::int32_t y) {
      return YcPixel{static_cast<std::int16_t>(300 + 3 * (x * c.h + y)), 0, 0};
    });
    const Samples rgb = ClampedRgb(f);
    const AllSliders s{Sliders{0, c.clipLow}, Sliders{0, c.clipLow}, Sliders{0, c.clipLow}};
    auto expected = [&](std::int64_t count) {
      Clips clips;
      for (int k = 0; k < 3; ++k) clips[k] = Clip{RankClip(rgb, k, count, 0).low, 4079.0f};
      return Expected(rgb, c.w, c.h, s, clips);
    };
    ASSERT_NE(expected(c.count), expected(c.count - 1));
    ASSERT_NE(expected(c.count), expected(c.count + 1));
    Set(s);
    ExpectSame(Run(f), expected(c.count));
  }
}

TEST_P(LevelsProcTest, FlatOrNarrowChannelsAreNotStretched) {
  // Half the pixels one grey, half a grey d levels above it in R, G and B alike.
  struct Case {
    int d;
    bool stretched;
  };
  for (const Case& tc : {Case{0, false}, Case{3, false}, Case{4, true}}) {
    const int d = tc.d;  // a plain variable: clang 14 cannot capture structured bindings
    const bool stretched = tc.stretched;
    HostFrame f(4, 2, 5);
    f.Fill([&](std::int32_t x, std::int32_t) {
      return YcPixel{static_cast<std::int16_t>(x < 2 ? 2000 : 2000 + d), 0, 0};
    });
    const Samples rgb = ClampedRgb(f);
    for (int c = 0; c < 3; ++c) ASSERT_EQ(rgb[6 + c] - rgb[c], d);
    Set({Sliders{2040, 2040}, Sliders{2040, 2040}, Sliders{2040, 2040}});
    Samples expected = rgb;
    if (stretched) {
      for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = (i / 3) % 4 < 2 ? 0 : 4080;
    }
    ExpectSame(Run(f), ToYc(expected, 4, 2));
  }
}

TEST_P(LevelsProcTest, ClipLow4080WithSamplesAt4080DoesNotStretch) {
  HostFrame f(37, 23, 41);
  FillScene(f, 11u);
  f.at(3, 4) = YcPixel{4096, 0, 0};  // 4080 in R, G and B after the clamp
  const Samples rgb = ClampedRgb(f);
  Set({Sliders{0, 4080}, Sliders{0, 4080}, Sliders{0, 4080}});
  ExpectSame(Run(f), ToYc(rgb, 37, 23));
}

TEST_P(LevelsProcTest, EitherSliderOfAPairMayBeTheLowEnd) {
  HostFrame f(37, 23, 41), g(37, 23, 41);
  FillScene(f, 3u);
  FillScene(g, 3u);
  const Samples roundTrip = ToYc(ClampedRgb(g), 37, 23);
  const Sliders ordered{0, 0, 3200, 700, 3600, 900, 60};
  const Sliders swapped{0, 0, 700, 3200, 900, 3600, 60};
  Set({ordered, swapped, ordered});
  const Samples first = Run(f);
  Set({swapped, ordered, swapped});
  ExpectSame(Run(g), first);
  EXPECT_NE(first, roundTrip);
}

TEST_P(LevelsProcTest, OutputLevels1000To3000MapMidGreyTo2000) {
  HostFrame f(5, 3, 6);
  f.Fill([](std::int32_t, std::int32_t) { return YcPixel{2040, 0, 0}; });
  const Samples rgb = ClampedRgb(f);
  ASSERT_EQ((Samples{rgb[0], rgb[1], rgb[2]}), (Samples{2040, 2038, 2040}));
  Set({Sliders{0, 0, 4080, 0, 3000, 1000}, Sliders{0, 0, 4080, 0, 1000, 3000},
       Sliders{0, 0, 4080, 0, 3000, 1000}});
  Samples expected;
  for (int i = 0; i < 15; ++i) expected.insert(expected.end(), {2000, 1999, 2000});
  ExpectSame(Run(f), ToYc(expected, 5, 3));
}

TEST_P(LevelsProcTest, BelowTheInputLowPointIsBlackForEveryGamma) {
  for (std::int32_t gamma : {50, 73, 100}) {
    HostFrame f(6, 2, 7);
    f.Fill([](std::int32_t x, std::int32_t) {
      return YcPixel{static_cast<std::int16_t>(x < 3 ? 500 : 2600), 0, 0};
    });
    const Sliders s{0, 0, 1000, 3000, 4080, 0, gamma};
    const Samples rgb = ClampedRgb(f);
    Set({s, s, s});
    const Samples got = Run(f);
    const Samples expected = Expected(rgb, 6, 2, {s, s, s}, {});
    ExpectSame(got, expected);
    for (std::size_t i = 0; i < got.size(); ++i) {
      if ((i / 3) % 6 < 3) {
        EXPECT_EQ(got[i], 0) << "gamma " << gamma;
      }
    }
  }
}

TEST_P(LevelsProcTest, EmptyFrameIsRefusedUntouched) {
  for (const ImageSize size : {ImageSize{0, 4}, ImageSize{4, 0}}) {
    HostFrame f(size.width, size.height, 5);
    const std::vector<YcPixel> before = f.edit();
    EXPECT_EQ(f.Process(host_.filter()), kFalse);
    EXPECT_TRUE(before == f.edit());
  }
}

INSTANTIATE_TEST_SUITE_P(Workers, LevelsProcTest, ::testing::Values(1, 3));

TEST(LevelsWorkers, OneWorkerAndSeveralGiveTheSameFrame) {
  // Over 65,536 pixels, so the histogram takes its large-image path.
  FilterHost host(1);
  const Sliders s{120, 80, 3900, 150, 4000, 60, 45};
  SetSliders(host, {s, s, s});
  std::vector<YcPixel> results[2];
  for (int i = 0; i < 2; ++i) {
    parallel::SetMaxWorkers(i == 0 ? 1 : 4);
    HostFrame f(320, 240, 330);
    FillScene(f, 17u);
    ASSERT_EQ(f.Process(host.filter()), kTrue);
    results[i] = f.edit();
  }
  parallel::SetMaxWorkers(0);
  EXPECT_TRUE(results[0] == results[1]);
}

}  // namespace
}  // namespace tessaro
