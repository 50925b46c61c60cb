#include "autolevel/auto_level.h"

#include <cmath>
#include <memory>

#include "parallel/parallel.h"
#include "pipeline/frame_job.h"
#include "pipeline/frame_work.h"
#include "pipeline/level_plane.h"
#include "pipeline/sample_table.h"
#include "primitives/arithmetic.h"

namespace tessaro {
namespace {

using pipeline::FrameStats;

constexpr float kYcScale = static_cast<float>(kYcFullScale);
constexpr float kRgbScale = static_cast<float>(kRgbFullScale);

// What a frame's levelling takes: each channel's extremes and mean, the frame's own or smoothed
// over time.
struct Parameters {
  double min[3], max[3], mean[3];
};

Parameters OwnParameters(const FrameStats& st) {
  Parameters p{};
  for (int c = 0; c < 3; ++c) {
    p.min[c] = st.min[c];
    p.max[c] = st.max[c];
    p.mean[c] = st.mean[c];
  }
  return p;
}

// A measurement as the smoother averages it: extremes and mean of each channel, anchored at
// the channel's mean (luma and R, G, B scale with it; chroma moves); its level and span those
// of luma, or of the mean of R, G and B.
pipeline::FrameMeasure MeasureOf(const FrameStats& st, bool rgb) {
  pipeline::FrameMeasure m;
  m.count = 9;
  m.perChannel = 3;
  for (int c = 0; c < 3; ++c) {
    m.values[3 * c] = st.min[c];
    m.values[3 * c + 1] = st.max[c];
    m.values[3 * c + 2] = st.mean[c];
    m.anchor[c] = st.mean[c];
    m.scaled[c] = rgb || c == 0;
  }
  if (rgb) {
    m.level = (st.mean[0] + st.mean[1] + st.mean[2]) / (3.0 * kRgbScale);
    m.span = ((st.max[0] - st.min[0]) + (st.max[1] - st.min[1]) + (st.max[2] - st.min[2])) /
             (3.0 * kRgbScale);
  } else {
    m.level = st.mean[0] / kYcScale;
    m.span = (st.max[0] - st.min[0]) / kYcScale;
  }
  return m;
}

Parameters ParametersOf(const pipeline::FrameMeasure& m) {
  Parameters p{};
  for (int c = 0; c < 3; ++c) {
    p.min[c] = m.values[3 * c];
    p.max[c] = m.values[3 * c + 1];
    p.mean[c] = m.values[3 * c + 2];
  }
  return p;
}

// Carries the mean luma, as a fraction of 4096, to midRng percent.
float YcAutoGamma(const Parameters& p, std::int32_t midRng) {
  float mY = static_cast<float>(p.mean[0]) * 0.000244140625f;
  mY = std::fmax(mY, 0.0f);
  mY = std::fmin(mY, 1.0f);
  const double a = std::log(static_cast<double>(mY));
  const double t = static_cast<double>(static_cast<float>(midRng)) / 100.0;
  return static_cast<float>(a / std::log(t));
}

// The average of the three channels' gammas, each carrying its mean (of 4080) to midRng
// percent.
float RgbAutoGamma(const Parameters& p, std::int32_t midRng) {
  const double lnT = std::log(static_cast<double>(static_cast<float>(midRng)) / 100.0);
  float g[3];
  for (int c = 0; c < 3; ++c) {
    float m = static_cast<float>(p.mean[c]) / kRgbScale;
    m = std::fmax(m, 0.0f);
    m = std::fmin(m, 1.0f);
    g[c] = static_cast<float>(std::log(static_cast<double>(m)) / lnT);
  }
  return ((g[0] + g[1]) + g[2]) / 3.0f;
}

// The smaller distance from the mean to either extreme; when both are 0 the quotient is not
// a number and the result is the upper distance, 0.
double Spread(double min, double max, double mean) {
  const double up = std::fabs(max - mean);
  const double down = std::fabs(mean - min);
  return up / down > 1.0 ? down : up;
}

// Too compressed a channel: some mean lies closer than skip / 2 to its channel's extremes.
bool Skips(const Parameters& p, std::int32_t skip) {
  double spread = Spread(p.min[0], p.max[0], p.mean[0]);
  for (int c = 1; c < 3; ++c) spread = std::fmin(spread, Spread(p.min[c], p.max[c], p.mean[c]));
  return static_cast<double>(skip) > 2.0 * spread;
}

AutoLevelSettings Held(const AutoLevelSettings& given) {
  AutoLevelSettings s = given;
  s.midRng = kAutoLevelSliders[kMidRngSlider].Held(given.midRng);
  s.skip = kAutoLevelSliders[kSkipSlider].Held(given.skip);
  return s;
}

class AutoLevelJob final : public pipeline::FrameJob {
 public:
  AutoLevelJob(const AutoLevelSettings& settings, const pipeline::Picture& picture,
               pipeline::Road road)
      : settings_(Held(settings)),
        rgb_(settings_.rgbMode),
        work_(picture, rgb_ ? pipeline::Space::kRgb : pipeline::Space::kYc, road) {}

  bool Measure() override;
  const pipeline::FrameMeasure& measure() const override { return measure_; }
  pipeline::Outcome Finish(const pipeline::FrameMeasure* params) override;

 private:
  AutoLevelSettings settings_;
  bool rgb_;
  pipeline::FrameWork work_;
  bool measured_ = false;
  FrameStats st_{};
  pipeline::FrameMeasure measure_{};
};

bool AutoLevelJob::Measure() {
  if (!work_.Open()) return false;
  // Nothing to measure: the statistics stay 0.
  if (!work_.empty()) {
    // Every channel in RGB mode; otherwise luma, and chroma as asked.
    const bool asked[3] = {true, rgb_ || settings_.cb, rgb_ || settings_.cr};
    if (!work_.Measure(&st_, asked)) return false;
  }
  measure_ = MeasureOf(st_, rgb_);
  measured_ = true;
  return true;
}

pipeline::Outcome AutoLevelJob::Finish(const pipeline::FrameMeasure* params) {
  using pipeline::Outcome;
  if (!measured_) return Outcome::kFailed;
  // Nothing to level: in RGB mode every spread is 0 and any skip above 0 skips the frame;
  // otherwise nothing changes.
  if (work_.empty()) return rgb_ && settings_.skip > 0 ? Outcome::kUnchanged : Outcome::kDone;
  const Parameters p = params != nullptr ? ParametersOf(*params) : OwnParameters(st_);
  // Skipped before anything is written to the frame.
  if (rgb_ && Skips(p, settings_.skip)) return Outcome::kUnchanged;
  const float gamma =
      UsableGamma(rgb_ ? RgbAutoGamma(p, settings_.midRng) : YcAutoGamma(p, settings_.midRng));

  // Every channel in RGB mode; otherwise luma, and chroma as asked. A flat channel has nothing
  // to stretch and is left exactly as it came. The tables cover the samples the frame holds.
  const bool asked[3] = {true, rgb_ || settings_.cb, rgb_ || settings_.cr};
  pipeline::TableRanges ranges{};
  float low[3], high[3];
  for (int c = 0; c < 3; ++c) {
    ranges.lo[c] = st_.min[c];
    ranges.hi[c] = st_.max[c];
    ranges.levelled[c] = asked[c] && p.min[c] != p.max[c];
    low[c] = static_cast<float>(p.min[c]);
    high[c] = static_cast<float>(p.max[c]);
  }
  const float outScale = rgb_ ? kRgbScale : kYcScale;
  // Chroma comes back from 0..4096 to its signed range.
  const bool rgb = rgb_;
  pipeline::FrameMemory* memory = work_.memory();
  auto level = [&](int c, std::int16_t* plane, std::int32_t step, std::int32_t pw,
                   std::int32_t ph) {
    LevelPlane(plane, step, pw, ph, low[c], high[c], gamma, outScale, memory);
    if (!rgb && c > 0) SubConstS16C1(kChromaCentre, plane, step, ImageSize{pw, ph}, 0);
  };

  if (work_.TablesPay(ranges.Values())) {
    pipeline::ChannelTables tables(memory);
    if (tables.Build(ranges, level) && work_.Map(tables.lookups())) return Outcome::kDone;
  }
  const std::int32_t w = work_.width(), h = work_.height();
  const bool done = work_.OnPlanes([&](const pipeline::Planes& planes) {
    auto levelIfAny = [&](int c) {
      if (ranges.levelled[c]) level(c, planes.plane[c], planes.step, w, h);
    };
    parallel::Invoke(
        3 * std::int64_t{w} * h, [&] { levelIfAny(0); }, [&] { levelIfAny(1); },
        [&] { levelIfAny(2); });
  });
  return done ? Outcome::kDone : Outcome::kFailed;
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

pipeline::FrameJobPtr AutoLevelFrameJob(const AutoLevelSettings& settings,
                                        const pipeline::Picture& picture, pipeline::Road road) {
  return pipeline::MakeFrameJob<AutoLevelJob>(picture, settings, picture, road);
}

pipeline::Outcome AutoLevel(const AutoLevelSettings& settings, const pipeline::Picture& picture,
                            pipeline::Road road) {
  AutoLevelJob job(settings, picture, road);
  if (!job.Measure()) return pipeline::Outcome::kFailed;
  return job.Finish(nullptr);
}

}  // namespace tessaro
