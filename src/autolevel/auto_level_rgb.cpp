#include <cmath>

#include "autolevel/auto_level.h"
#include "autolevel/level_plane.h"
#include "autolevel/sample_table.h"
#include "host/filters.h"
#include "parallel/frame_convert.h"
#include "parallel/parallel.h"
#include "primitives/planar_copy.h"

namespace tessaro {
namespace {

constexpr float kRgbScale = static_cast<float>(kRgbFullScale);

// The smaller distance from the mean to either extreme; when both are 0 the quotient is not
// a number and the result is the upper distance, 0.
double Spread(std::int16_t min, std::int16_t max, double mean) {
  const double up = std::fabs(static_cast<double>(max) - mean);
  const double down = std::fabs(mean - static_cast<double>(min));
  return up / down > 1.0 ? down : up;
}

// The average of the three channels' gammas, each carrying its mean (of 4080) to midRng
// percent.
float RgbAutoGamma(const double means[3], std::int32_t midRng) {
  const double lnT = std::log(static_cast<double>(static_cast<float>(midRng)) / 100.0);
  float g[3];
  for (int c = 0; c < 3; ++c) {
    float m = static_cast<float>(means[c]) / kRgbScale;
    m = std::fmax(m, 0.0f);
    m = std::fmin(m, 1.0f);
    g[c] = static_cast<float>(std::log(static_cast<double>(m)) / lnT);
  }
  return ((g[0] + g[1]) + g[2]) / 3.0f;
}

}  // namespace

HostBool AutoLevelRgb(FilterDescriptor* filter, FrameInfo* frame, LevelPath path) {
  const std::int32_t w = frame->width;
  const std::int32_t h = frame->height;
  const std::int32_t rowStep = frame->rowLength * 6;
  const ImageSize size{w, h};
  auto* edit = reinterpret_cast<std::int16_t*>(frame->edit);
  auto* temp = reinterpret_cast<std::int16_t*>(frame->temp);
  const pipeline::Frame pixels{edit, rowStep, w, h};

  // The RGB frame in the temporary buffer: the reference converts it first and measures it;
  // the pipeline writes it there as it measures, and maps from it.
  const pipeline::Frame rgb{temp, rowStep, w, h};
  pipeline::FrameStats st{};
  if (path == LevelPath::kPerSample ||
      !pipeline::MeasureStats(pixels, pipeline::RgbSamples(), &st, &rgb)) {
    ConvertYcToRgbFrame(edit, rowStep, temp, rowStep, w, h);
    MeasureWithPrimitives(temp, rowStep, size, &st);
  }

  double spread = Spread(st.min[0], st.max[0], st.mean[0]);
  for (int c = 1; c < 3; ++c) spread = std::fmin(spread, Spread(st.min[c], st.max[c], st.mean[c]));
  // Too compressed a channel: skip the frame before anything is written to it.
  if (static_cast<double>(filter->trackValues[TrackSkip]) > 2.0 * spread) return kFalse;

  const float gamma = UsableGamma(RgbAutoGamma(st.mean, filter->trackValues[TrackMidRng]));

  // A flat channel has nothing to stretch and is left exactly as it came.
  const bool levelled[3] = {st.min[0] != st.max[0], st.min[1] != st.max[1], st.min[2] != st.max[2]};
  auto levelPlane = [&](int c, std::int16_t* plane, std::int32_t step, std::int32_t pw,
                        std::int32_t ph) {
    if (levelled[c]) LevelPlane(plane, step, pw, ph, st.max[c], st.min[c], gamma, kRgbScale);
  };

  if (path != LevelPath::kPerSample) {
    ChannelTables tables;
    const bool built = tables.Build(
        st.min, st.max, levelled, [&](int c, std::int16_t* row, std::int32_t step, std::int32_t n) {
          levelPlane(c, row, step, n, 1);
        });
    if (built && (path == LevelPath::kPipeline || tables.WorthIt(w, h))) {
      pipeline::MapFrame(pixels, pipeline::RgbSamples(), tables.lookups(), &rgb);
      return kTrue;
    }
  }

  std::int16_t* planes[3];
  PlanesAt(frame->edit, w, h, planes);
  SplitS16C3(temp, rowStep, planes, 2 * w, size);
  parallel::Invoke(
      3 * static_cast<std::int64_t>(w) * h, [&] { levelPlane(0, planes[0], 2 * w, w, h); },
      [&] { levelPlane(1, planes[1], 2 * w, w, h); },
      [&] { levelPlane(2, planes[2], 2 * w, w, h); });

  MergeS16C3(planes, 2 * w, temp, rowStep, size);
  ConvertRgbToYcFrame(temp, rowStep, edit, rowStep, w, h);
  return kTrue;
}

}  // namespace tessaro
