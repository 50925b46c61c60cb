#include "autolevel/auto_level.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "host/filters.h"
#include "parallel/parallel.h"
#include "pipeline/frame_convert.h"
#include "support/filter_host.h"
#include "support/pictures.h"

namespace tessaro {
namespace {

using testing::ExactPower;
using testing::FilterHost;
using testing::HostFrame;
using testing::ToS16;

struct ChannelStats {
  std::int16_t min, max;
  double mean;
};

// Plain per-pixel statistics of channel c (0 Y or R, 1 Cb or G, 2 Cr or B).
ChannelStats Stats(const std::vector<std::array<std::int16_t, 3>>& px, int c) {
  ChannelStats s{px[0][static_cast<std::size_t>(c)], px[0][static_cast<std::size_t>(c)], 0.0};
  std::int64_t sum = 0;
  for (const auto& p : px) {
    const std::int16_t v = p[static_cast<std::size_t>(c)];
    s.min = std::min(s.min, v);
    s.max = std::max(s.max, v);
    sum += v;
  }
  s.mean = static_cast<double>(sum) * (1.0 / static_cast<double>(px.size()));
  return s;
}

float Finite(float gamma) {
  return std::isfinite(gamma) && gamma > 0.0f ? gamma : 1.0f;
}

// The stretch of one sample from [min, max] to [0, outScale] through 1 / gamma.
std::int16_t Level(std::int16_t v, const ChannelStats& s, float gamma, float outScale) {
  const float scale =
      static_cast<float>(1.0 / static_cast<double>(static_cast<float>(s.max) - s.min));
  return ToS16(ExactPower((static_cast<float>(v) - s.min) * scale, 1.0f / gamma) * outScale);
}

std::vector<std::array<std::int16_t, 3>> Pixels(HostFrame& f) {
  std::vector<std::array<std::int16_t, 3>> px;
  for (int y = 0; y < f.height(); ++y) {
    for (int x = 0; x < f.width(); ++x) px.push_back({f.at(x, y).y, f.at(x, y).cb, f.at(x, y).cr});
  }
  return px;
}

// YCbCr mode straight from the formulas: one gamma from the luma mean, each processed
// channel stretched over its own range, chroma re-centred.
std::vector<std::array<std::int16_t, 3>> ExpectedYc(HostFrame& f, int midRng, bool cb, bool cr) {
  auto px = Pixels(f);
  const ChannelStats y = Stats(px, 0);
  float mY = std::fmin(std::fmax(static_cast<float>(y.mean) * (1.0f / 4096.0f), 0.0f), 1.0f);
  const float gamma = Finite(static_cast<float>(std::log(static_cast<double>(mY)) /
                                                std::log(static_cast<float>(midRng) / 100.0)));
  const bool on[3] = {true, cb, cr};
  ChannelStats st[3] = {y, Stats(px, 1), Stats(px, 2)};
  for (auto& p : px) {
    for (int c = 0; c < 3; ++c) {
      if (!on[c] || st[c].min == st[c].max) continue;
      auto& v = p[static_cast<std::size_t>(c)];
      v = Level(v, st[c], gamma, 4096.0f);
      if (c > 0) v = static_cast<std::int16_t>(std::max(v - 2048, -32768));
    }
  }
  return px;
}

// A noisy gradient with some structure, in every channel.
void FillScene(HostFrame& f, unsigned seed) {
  f.Fill([&](std::int32_t x, std::int32_t y) {
    seed = seed * 1103515245u + 12345u;
    const int noise = static_cast<int>((seed >> 16) % 97) - 48;
    return YcPixel{static_cast<std::int16_t>(600 + 9 * x + 13 * y + noise),
                   static_cast<std::int16_t>(-300 + 5 * x - 3 * y + noise / 2),
                   static_cast<std::int16_t>(200 - 4 * x + 7 * y - noise / 3)};
  });
}

void ExpectFrame(HostFrame& f, const std::vector<std::array<std::int16_t, 3>>& expected) {
  const auto got = Pixels(f);
  ASSERT_EQ(got.size(), expected.size());
  int mismatches = 0;
  for (std::size_t i = 0; i < got.size() && mismatches < 5; ++i) {
    for (std::size_t c = 0; c < 3; ++c) {
      if (got[i][c] != expected[i][c]) {
        ADD_FAILURE() << "pixel " << i << " channel " << c << ": " << got[i][c] << " expected "
                      << expected[i][c];
        ++mismatches;
      }
    }
  }
}

class AutoLevelYc : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { parallel::SetMaxWorkers(GetParam()); }
  void TearDown() override { parallel::SetMaxWorkers(0); }
  FilterHost host_{0};
};

TEST_P(AutoLevelYc, MatchesTheFormulasForEveryChannelChoice) {
  struct Case {
    int midRng;
    bool cb, cr;
  };
  for (const Case& c : {Case{50, false, false}, Case{30, true, false}, Case{77, true, true},
                        Case{5, false, true}, Case{95, true, true}}) {
    SCOPED_TRACE(::testing::Message() << c.midRng << " " << c.cb << c.cr);
    HostFrame f(37, 23, 41);
    FillScene(f, static_cast<unsigned>(c.midRng));
    const std::vector<YcPixel> before = f.edit();
    const auto expected = ExpectedYc(f, c.midRng, c.cb, c.cr);
    host_.track(TrackMidRng) = c.midRng;
    host_.check(CheckCb) = c.cb;
    host_.check(CheckCr) = c.cr;
    ASSERT_EQ(f.Process(host_.filter()), kTrue);
    ExpectFrame(f, expected);
    // Padding pixels, and chroma whose box is off, come back bit-identical.
    for (int y = 0; y < f.height(); ++y) {
      for (int x = 0; x < 41; ++x) {
        const YcPixel& was = before[static_cast<std::size_t>(y * 41 + x)];
        const YcPixel& now = f.edit()[static_cast<std::size_t>(y * 41 + x)];
        if (x >= f.width()) {
          EXPECT_TRUE(was == now);
        }
        if (!c.cb) {
          EXPECT_EQ(was.cb, now.cb);
        }
        if (!c.cr) {
          EXPECT_EQ(was.cr, now.cr);
        }
      }
    }
  }
}

TEST_P(AutoLevelYc, MeanAtHalfScaleWithMidRng50IsALinearStretch) {
  // Half the pixels 1024, half 3072: mean 2048, so gamma 1.
  HostFrame f(8, 4, 9);
  f.Fill([](std::int32_t x, std::int32_t y) {
    return YcPixel{static_cast<std::int16_t>((x + y) % 2 ? 3072 : 1024), 0, 0};
  });
  f.at(0, 0).y = 1536;
  f.at(1, 0).y = 2560;  // keeps the mean at 2048
  ASSERT_EQ(f.Process(host_.filter()), kTrue);
  EXPECT_EQ(f.at(2, 0).y, 0);
  EXPECT_EQ(f.at(3, 0).y, 4096);
  EXPECT_EQ(f.at(0, 0).y, 1024);  // a quarter of the way
  EXPECT_EQ(f.at(1, 0).y, 3072);
}

TEST_P(AutoLevelYc, FlatAndExtremeFramesAreLeftAlone) {
  host_.check(CheckCb) = 1;
  host_.check(CheckCr) = 1;
  // Black, white and flat grey frames, chroma without colour: nothing to stretch.
  for (std::int16_t level : {std::int16_t{0}, std::int16_t{4096}, std::int16_t{2048}}) {
    HostFrame f(5, 3, 7);
    f.Fill([&](std::int32_t, std::int32_t) { return YcPixel{level, 0, 0}; });
    const std::vector<YcPixel> before = f.edit();
    ASSERT_EQ(f.Process(host_.filter()), kTrue);
    EXPECT_TRUE(before == f.edit()) << level;
  }
  // A mean of 0 with a real range: the gamma falls back to a linear stretch.
  HostFrame f(4, 1, 4);
  const std::int16_t ys[4] = {-100, 100, -50, 50};
  f.Fill([&](std::int32_t x, std::int32_t) { return YcPixel{ys[x], 0, 0}; });
  ASSERT_EQ(f.Process(host_.filter()), kTrue);
  EXPECT_EQ(f.at(0, 0).y, 0);
  EXPECT_EQ(f.at(1, 0).y, 4096);
  EXPECT_EQ(f.at(2, 0).y, 1024);
  EXPECT_EQ(f.at(3, 0).y, 3072);
}

INSTANTIATE_TEST_SUITE_P(Workers, AutoLevelYc, ::testing::Values(1, 3));

class AutoLevelRgb : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    parallel::SetMaxWorkers(GetParam());
    host_.check(CheckRgbMode) = 1;
  }
  void TearDown() override { parallel::SetMaxWorkers(0); }
  FilterHost host_{0};
};

TEST_P(AutoLevelRgb, SkipsOnlyWhenAMeanLiesCloserThanHalfOfSkip) {
  // Three black pixels and one grey: G becomes 840 (mean 210 from its minimum) for
  // Y = 841 and 839 (mean 209.75) for Y = 840; R and B stay a little further away.
  struct Case {
    std::int16_t y;
    int skip;
    bool skipped;
  };
  for (const Case& c : {Case{841, 420, false}, Case{841, 421, true}, Case{840, 420, true},
                        Case{840, 419, false}, Case{840, 0, false}}) {
    HostFrame f(2, 2, 3);
    f.Fill([](std::int32_t, std::int32_t) { return YcPixel{0, 0, 0}; });
    f.at(1, 1).y = c.y;
    const std::vector<YcPixel> before = f.edit();
    host_.track(TrackSkip) = c.skip;
    const HostBool result = f.Process(host_.filter());
    EXPECT_EQ(result, c.skipped ? kFalse : kTrue) << c.y << " " << c.skip;
    if (c.skipped) {
      EXPECT_TRUE(before == f.edit());
    } else {
      EXPECT_NE(f.at(1, 1).y, c.y);
    }
  }
}

// RGB mode from the formulas, per pixel, with the module's own frame conversions (tested
// on their own) on the way in and out.
std::vector<std::array<std::int16_t, 3>> ExpectedRgb(HostFrame& f, int midRng) {
  const std::int32_t w = f.width(), h = f.height();
  std::vector<std::int16_t> yc, rgb(static_cast<std::size_t>(w * h * 3));
  for (const auto& p : Pixels(f)) yc.insert(yc.end(), p.begin(), p.end());
  ConvertYcToRgbFrame(yc.data(), w * 6, rgb.data(), w * 6, w, h);
  std::vector<std::array<std::int16_t, 3>> px;
  for (std::size_t i = 0; i < rgb.size(); i += 3) px.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
  const ChannelStats st[3] = {Stats(px, 0), Stats(px, 1), Stats(px, 2)};
  const double lnT = std::log(static_cast<float>(midRng) / 100.0);
  float g[3];
  for (int c = 0; c < 3; ++c) {
    const float m = std::fmin(std::fmax(static_cast<float>(st[c].mean) / 4080.0f, 0.0f), 1.0f);
    g[c] = static_cast<float>(std::log(static_cast<double>(m)) / lnT);
  }
  const float gamma = Finite(((g[0] + g[1]) + g[2]) / 3.0f);
  for (auto& p : px) {
    for (int c = 0; c < 3; ++c) {
      if (st[c].min == st[c].max) continue;
      auto& v = p[static_cast<std::size_t>(c)];
      v = Level(v, st[c], gamma, 4080.0f);
    }
  }
  rgb.clear();
  for (const auto& p : px) rgb.insert(rgb.end(), p.begin(), p.end());
  ConvertRgbToYcFrame(rgb.data(), w * 6, yc.data(), w * 6, w, h);
  std::vector<std::array<std::int16_t, 3>> out;
  for (std::size_t i = 0; i < yc.size(); i += 3) out.push_back({yc[i], yc[i + 1], yc[i + 2]});
  return out;
}

TEST_P(AutoLevelRgb, LevelsEveryChannelWithTheAveragedGamma) {
  host_.track(TrackSkip) = 0;
  for (int midRng : {50, 20, 90}) {
    HostFrame f(29, 17, 33);
    FillScene(f, static_cast<unsigned>(midRng) * 7u);
    const auto expected = ExpectedRgb(f, midRng);
    host_.track(TrackMidRng) = midRng;
    ASSERT_EQ(f.Process(host_.filter()), kTrue);
    ExpectFrame(f, expected);
  }
}

TEST_P(AutoLevelRgb, BlackFrameWithoutSkipStaysBlack) {
  host_.track(TrackSkip) = 0;
  HostFrame f(6, 2, 8);
  f.Fill([](std::int32_t, std::int32_t) { return YcPixel{0, 0, 0}; });
  ASSERT_EQ(f.Process(host_.filter()), kTrue);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_TRUE(f.at(x, y) == (YcPixel{0, 0, 0}));
  }
}

TEST_P(AutoLevelRgb, RgbPicturesAreLevelledOnSixteenTimesTheirCodes) {
  // An 8-bit code c is the sample 16 c; the result goes back to the nearest code.
  for (int midRng : {50, 30, 85}) {
    testing::RgbaPicture picture(
        31, 19, 3, midRng == 30 ? pipeline::ByteOrder::kBgra : pipeline::ByteOrder::kRgba);
    testing::FillRgba(picture, static_cast<std::uint64_t>(midRng));
    const int r = midRng == 30 ? 2 : 0;  // where R lies
    std::vector<std::array<std::int16_t, 3>> px;
    for (int y = 0; y < 19; ++y) {
      for (int x = 0; x < 31; ++x) {
        const std::uint8_t* p = picture.pixel(x, y);
        px.push_back({static_cast<std::int16_t>(16 * p[r]), static_cast<std::int16_t>(16 * p[1]),
                      static_cast<std::int16_t>(16 * p[2 - r])});
      }
    }
    const ChannelStats st[3] = {Stats(px, 0), Stats(px, 1), Stats(px, 2)};
    const double lnT = std::log(static_cast<float>(midRng) / 100.0);
    float g[3];
    for (int c = 0; c < 3; ++c) {
      const float m = std::fmin(std::fmax(static_cast<float>(st[c].mean) / 4080.0f, 0.0f), 1.0f);
      g[c] = static_cast<float>(std::log(static_cast<double>(m)) / lnT);
    }
    const float gamma = Finite(((g[0] + g[1]) + g[2]) / 3.0f);
    AutoLevelSettings settings;
    settings.midRng = midRng;
    settings.skip = 0;
    settings.rgbMode = true;
    testing::RgbaPicture before = picture;
    ASSERT_EQ(AutoLevel(settings, picture.picture()), pipeline::Outcome::kDone);
    int wrong = 0;
    for (int i = 0; i < 31 * 19 && wrong < 5; ++i) {
      const std::uint8_t* got = picture.pixel(i % 31, i / 31);
      for (int c = 0; c < 3; ++c) {
        const int v = Level(px[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)], st[c],
                            gamma, 4080.0f);
        const int want = static_cast<int>(std::clamp(std::nearbyint(v / 16.0), 0.0, 255.0));
        const int at = c == 0 ? r : (c == 2 ? 2 - r : 1);
        if (got[at] != want) {
          ADD_FAILURE() << "pixel " << i << " channel " << c << ": " << int(got[at]) << " want "
                        << want;
          ++wrong;
        }
      }
      EXPECT_EQ(got[3], before.pixel(i % 31, i / 31)[3]) << "alpha of pixel " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Workers, AutoLevelRgb, ::testing::Values(1, 3));

TEST(AutoLevelWorkers, OneWorkerAndSeveralGiveTheSameFrame) {
  FilterHost host(0);
  host.check(CheckCb) = 1;
  std::vector<YcPixel> results[2];
  for (int i = 0; i < 2; ++i) {
    parallel::SetMaxWorkers(i == 0 ? 1 : 4);
    for (int rgb = 0; rgb < 2; ++rgb) {
      host.check(CheckRgbMode) = rgb;
      host.track(TrackSkip) = 0;
      HostFrame f(640, 360, 650);  // large enough to be cut into chunks
      FillScene(f, 99u);
      ASSERT_EQ(f.Process(host.filter()), kTrue);
      results[i].insert(results[i].end(), f.edit().begin(), f.edit().end());
    }
  }
  parallel::SetMaxWorkers(0);
  EXPECT_TRUE(results[0] == results[1]);
}

}  // namespace
}  // namespace tessaro
