#include "autolevel/auto_level.h"

#include <cmath>

#include "autolevel/level_plane.h"
#include "autolevel/sample_table.h"
#include "host/filters.h"
#include "host/frame_guard.h"
#include "parallel/parallel.h"
#include "primitives/arithmetic.h"
#include "primitives/planar_copy.h"
#include "primitives/statistics.h"

namespace tessaro {
namespace {

constexpr float kFullScale = static_cast<float>(kYcFullScale);

// Carries the mean luma, as a fraction of 4096, to midRng percent.
float YcAutoGamma(double meanY, std::int32_t midRng) {
  float mY = static_cast<float>(meanY) * 0.000244140625f;
  mY = std::fmax(mY, 0.0f);
  mY = std::fmin(mY, 1.0f);
  const double a = std::log(static_cast<double>(mY));
  const double t = static_cast<double>(static_cast<float>(midRng)) / 100.0;
  return static_cast<float>(a / std::log(t));
}

}  // namespace

float UsableGamma(float gamma) {
  return std::isfinite(gamma) && gamma > 0.0f ? gamma : 1.0f;
}

void PlanesAt(YcPixel* buffer, std::int32_t width, std::int32_t height, std::int16_t* planes[3]) {
  auto* base = reinterpret_cast<std::int16_t*>(buffer);
  const std::int64_t planeSamples = static_cast<std::int64_t>(width) * height;
  for (int c = 0; c < 3; ++c) planes[c] = base + c * planeSamples;
}

HostBool AutoLevelProc(FilterDescriptor* filter, FrameInfo* frame) {
  const FrameVerdict verdict = CheckFrame(filter, frame);
  if (verdict == FrameVerdict::kRefuse) return kFalse;
  SettingsSnapshot settings(*filter);
  filter = settings.filter();
  if (verdict == FrameVerdict::kEmpty) {
    // Nothing to measure: the statistics stay 0, so in RGB mode every spread is 0 and any
    // Skip above 0 skips the frame; otherwise the steps run and change nothing.
    const bool skipped =
        filter->checkValues[CheckRgbMode] != 0 && filter->trackValues[TrackSkip] > 0;
    return skipped ? kFalse : kTrue;
  }
  if (filter->checkValues[CheckRgbMode] != 0)
    return AutoLevelRgb(filter, frame, LevelPath::kFastest);
  return AutoLevelYc(filter, frame, LevelPath::kFastest);
}

void MeasureWithPrimitives(const std::int16_t* image, std::int32_t step, ImageSize size,
                           pipeline::FrameStats* stats) {
  parallel::Invoke(
      3 * static_cast<std::int64_t>(size.width) * size.height,
      [&] { MinMaxS16C3(image, step, size, stats->min, stats->max); },
      [&] { MeanS16C3(image, step, size, stats->mean); });
}

HostBool AutoLevelYc(FilterDescriptor* filter, FrameInfo* frame, LevelPath path) {
  const std::int32_t w = frame->width;
  const std::int32_t h = frame->height;
  const std::int32_t rowStep = frame->rowLength * 6;
  const ImageSize size{w, h};
  auto* edit = reinterpret_cast<std::int16_t*>(frame->edit);
  const pipeline::Frame pixels{edit, rowStep, w, h};

  pipeline::FrameStats st{};
  if (path == LevelPath::kPerSample ||
      !pipeline::MeasureStats(pixels, pipeline::kStoredSamples, &st)) {
    MeasureWithPrimitives(edit, rowStep, size, &st);
  }
  const float gamma = UsableGamma(YcAutoGamma(st.mean[0], filter->trackValues[TrackMidRng]));

  // A flat plane has nothing to stretch and is left exactly as it came.
  bool level[3] = {true, filter->checkValues[CheckCb] != 0, filter->checkValues[CheckCr] != 0};
  for (int c = 0; c < 3; ++c) level[c] = level[c] && st.min[c] != st.max[c];
  // Chroma comes back from 0..4096 to its signed range.
  auto levelPlane = [&](int c, std::int16_t* plane, std::int32_t step, std::int32_t pw,
                        std::int32_t ph) {
    LevelPlane(plane, step, pw, ph, st.max[c], st.min[c], gamma, kFullScale);
    if (c > 0) SubConstS16C1(kChromaCentre, plane, step, ImageSize{pw, ph}, 0);
  };

  if (path != LevelPath::kPerSample) {
    ChannelTables tables;
    const bool built = tables.Build(
        st.min, st.max, level, [&](int c, std::int16_t* row, std::int32_t step, std::int32_t n) {
          levelPlane(c, row, step, n, 1);
        });
    if (built && (path == LevelPath::kPipeline || tables.WorthIt(w, h))) {
      pipeline::MapFrame(pixels, pipeline::kStoredSamples, tables.lookups());
      return kTrue;
    }
  }

  std::int16_t* planes[3];
  PlanesAt(frame->temp, w, h, planes);
  if (SplitS16C3(edit, rowStep, planes, 2 * w, size) != StatusOk) return kTrue;
  for (int c = 0; c < 3; ++c) {
    if (level[c]) levelPlane(c, planes[c], 2 * w, w, h);
  }
  MergeS16C3(planes, 2 * w, edit, rowStep, size);
  return kTrue;
}

}  // namespace tessaro
