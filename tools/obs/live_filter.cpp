#include "live_filter.h"

#include <algorithm>

#include "obs_frames.h"

namespace tessaro::tools {

LiveFilter::LiveFilter(const FilterEntry& entry) : stage_(entry) {}

void LiveFilter::Set(const Controls& controls, std::int32_t smoothing) {
  const FilterEntry& e = stage_.entry();
  for (std::size_t i = 0; i < e.sliders.size(); ++i) {
    stage_.SetTrackAt(static_cast<int>(i), e.sliders[i].Held(controls.sliders[i]));
  }
  for (std::size_t i = 0; i < e.checks.size(); ++i) {
    if (!e.checks[i].button) stage_.SetCheckAt(static_cast<int>(i), controls.checks[i] != 0);
  }
  smoothing_.SetRadius(std::clamp<std::int32_t>(smoothing, 0, kMaxSmoothing));
}

bool LiveFilter::Continues(const obs::SourceFrame& frame) {
  const bool same = started_ && frame.format == format_ && frame.width == width_ &&
                    frame.height == height_ && frame.fullRange == fullRange_ &&
                    frame.timestamp > lastTime_ && frame.timestamp - lastTime_ <= kMaxGapNs;
  started_ = true;
  lastTime_ = frame.timestamp;
  format_ = frame.format;
  width_ = frame.width;
  height_ = frame.height;
  fullRange_ = frame.fullRange;
  return same;
}

LiveFilter::Result LiveFilter::Filter(obs::SourceFrame* frame) {
  pipeline::Picture picture;
  if (!PictureOfFrame(*frame, &picture)) return Result::kNotTaken;
  if (!Continues(*frame)) smoothing_.Restart();
  picture.memory = &memory_;
  // The passes always, whatever the size: the same result as the per-sample road, with buffers
  // of a few rows, not of the frame.
  const pipeline::Outcome outcome = smoothing_.Process(stage_, picture, pipeline::Road::kPasses);
  memory_.FinishFrame();
  return outcome == pipeline::Outcome::kFailed ? Result::kFailed : Result::kDone;
}

}  // namespace tessaro::tools
