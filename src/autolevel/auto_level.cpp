#include "autolevel/auto_level.h"

#include <cmath>

#include "parallel/parallel.h"
#include "pipeline/frame_work.h"
#include "pipeline/level_plane.h"
#include "pipeline/sample_table.h"
#include "primitives/arithmetic.h"

namespace tessaro {
namespace {

using pipeline::FrameStats;

constexpr float kYcScale = static_cast<float>(kYcFullScale);
constexpr float kRgbScale = static_cast<float>(kRgbFullScale);

// Carries the mean luma, as a fraction of 4096, to midRng percent.
float YcAutoGamma(const FrameStats& st, std::int32_t midRng) {
  float mY = static_cast<float>(st.mean[0]) * 0.000244140625f;
  mY = std::fmax(mY, 0.0f);
  mY = std::fmin(mY, 1.0f);
  const double a = std::log(static_cast<double>(mY));
  const double t = static_cast<double>(static_cast<float>(midRng)) / 100.0;
  return static_cast<float>(a / std::log(t));
}

// The average of the three channels' gammas, each carrying its mean (of 4080) to midRng
// percent.
float RgbAutoGamma(const FrameStats& st, std::int32_t midRng) {
  const double lnT = std::log(static_cast<double>(static_cast<float>(midRng)) / 100.0);
  float g[3];
  for (int c = 0; c < 3; ++c) {
    float m = static_cast<float>(st.mean[c]) / kRgbScale;
    m = std::fmax(m, 0.0f);
    m = std::fmin(m, 1.0f);
    g[c] = static_cast<float>(std::log(static_cast<double>(m)) / lnT);
  }
  return ((g[0] + g[1]) + g[2]) / 3.0f;
}

// The smaller distance from the mean to either extreme; when both are 0 the quotient is not
// a number and the result is the upper distance, 0.
double Spread(std::int16_t min, std::int16_t max, double mean) {
  const double up = std::fabs(static_cast<double>(max) - mean);
  const double down = std::fabs(mean - static_cast<double>(min));
  return up / down > 1.0 ? down : up;
}

// Too compressed a channel: some mean lies closer than skip / 2 to its channel's extremes.
bool Skips(const FrameStats& st, std::int32_t skip) {
  double spread = Spread(st.min[0], st.max[0], st.mean[0]);
  for (int c = 1; c < 3; ++c) spread = std::fmin(spread, Spread(st.min[c], st.max[c], st.mean[c]));
  return static_cast<double>(skip) > 2.0 * spread;
}

}  // namespace

float UsableGamma(float gamma) {
  return std::isfinite(gamma) && gamma > 0.0f ? gamma : 1.0f;
}

AutoLevelSettings AutoLevelSettingsOf(const std::int32_t* sliders, const std::int32_t* checks) {
  AutoLevelSettings s;
  s.midRng = kAutoLevelSliders[kMidRngSlider].Held(sliders[kMidRngSlider]);
  s.skip = kAutoLevelSliders[kSkipSlider].Held(sliders[kSkipSlider]);
  s.cb = checks[kCbCheck] != 0;
  s.cr = checks[kCrCheck] != 0;
  s.rgbMode = checks[kRgbModeCheck] != 0;
  return s;
}

pipeline::Outcome AutoLevel(const AutoLevelSettings& given, const pipeline::Picture& picture,
                            pipeline::Road road) {
  using pipeline::Outcome;
  AutoLevelSettings settings = given;
  settings.midRng = kAutoLevelSliders[kMidRngSlider].Held(given.midRng);
  settings.skip = kAutoLevelSliders[kSkipSlider].Held(given.skip);
  const bool rgb = settings.rgbMode;
  pipeline::FrameWork work(picture, rgb ? pipeline::Space::kRgb : pipeline::Space::kYc, road);
  if (!work.Open()) return Outcome::kFailed;
  // Nothing to measure: the statistics stay 0, so in RGB mode every spread is 0 and any skip
  // above 0 skips the frame; otherwise nothing changes.
  if (work.empty()) return rgb && settings.skip > 0 ? Outcome::kUnchanged : Outcome::kDone;

  // Every channel in RGB mode; otherwise luma, and chroma as asked.
  const bool asked[3] = {true, rgb || settings.cb, rgb || settings.cr};
  FrameStats st{};
  if (!work.Measure(&st, asked)) return Outcome::kFailed;
  // Skipped before anything is written to the frame.
  if (rgb && Skips(st, settings.skip)) return Outcome::kUnchanged;
  const float gamma =
      UsableGamma(rgb ? RgbAutoGamma(st, settings.midRng) : YcAutoGamma(st, settings.midRng));

  // A flat channel has nothing to stretch and is left exactly as it came.
  pipeline::TableRanges ranges{};
  for (int c = 0; c < 3; ++c) {
    ranges.lo[c] = st.min[c];
    ranges.hi[c] = st.max[c];
    ranges.levelled[c] = asked[c] && st.min[c] != st.max[c];
  }
  const float outScale = rgb ? kRgbScale : kYcScale;
  // Chroma comes back from 0..4096 to its signed range.
  auto level = [&](int c, std::int16_t* plane, std::int32_t step, std::int32_t pw,
                   std::int32_t ph) {
    LevelPlane(plane, step, pw, ph, st.min[c], st.max[c], gamma, outScale);
    if (!rgb && c > 0) SubConstS16C1(kChromaCentre, plane, step, ImageSize{pw, ph}, 0);
  };

  if (work.TablesPay(ranges.Values())) {
    pipeline::ChannelTables tables;
    if (tables.Build(ranges, level) && work.Map(tables.lookups())) return Outcome::kDone;
  }
  const std::int32_t w = work.width(), h = work.height();
  const bool done = work.OnPlanes([&](const pipeline::Planes& p) {
    auto levelIfAny = [&](int c) {
      if (ranges.levelled[c]) level(c, p.plane[c], p.step, w, h);
    };
    parallel::Invoke(
        3 * std::int64_t{w} * h, [&] { levelIfAny(0); }, [&] { levelIfAny(1); },
        [&] { levelIfAny(2); });
  });
  return done ? Outcome::kDone : Outcome::kFailed;
}

}  // namespace tessaro
