#include "host/frame_callbacks.h"

#include "autolevel/auto_level.h"
#include "host/filters.h"
#include "host/frame_guard.h"
#include "levels/levels.h"

namespace tessaro {
namespace {

static_assert(sizeof(YcPixel) == kPixelBytes);

// The editor's frame and scratch as a picture of its own kind.
pipeline::Picture PictureOf(const FrameInfo& frame) {
  const std::int32_t step = frame.rowLength * kPixelBytes;
  return pipeline::Picture::Yc(
      {{reinterpret_cast<std::int16_t*>(frame.edit), step, frame.width, frame.height},
       {reinterpret_cast<std::int16_t*>(frame.temp), step, frame.width, frame.height}});
}

HostBool Done(pipeline::Outcome outcome) {
  return outcome == pipeline::Outcome::kDone ? kTrue : kFalse;
}

}  // namespace

HostBool AutoLevelProcOnRoad(FilterDescriptor* filter, FrameInfo* frame, pipeline::Road road) {
  const FrameVerdict verdict = CheckFrame(filter, frame);
  if (verdict == FrameVerdict::kRefuse) return kFalse;
  SettingsSnapshot snapshot(*filter);
  const FilterDescriptor& d = *snapshot.filter();
  const AutoLevelSettings settings = AutoLevelSettingsOf(d.trackValues, d.checkValues);
  // Nothing to measure: the statistics stay 0, so in RGB mode every spread is 0 and any skip
  // above 0 skips the frame; otherwise there is nothing to change.
  if (verdict == FrameVerdict::kEmpty)
    return settings.rgbMode && settings.skip > 0 ? kFalse : kTrue;
  return Done(AutoLevel(settings, PictureOf(*frame), road));
}

HostBool LevelsProcOnRoad(FilterDescriptor* filter, FrameInfo* frame, pipeline::Road road) {
  // An empty frame cannot be taken into planes: it is refused as it came.
  const FrameVerdict verdict = CheckFrame(filter, frame);
  if (verdict != FrameVerdict::kProcess) return kFalse;
  SettingsSnapshot snapshot(*filter);
  const FilterDescriptor& d = *snapshot.filter();
  return Done(
      QuillonLevel(QuillonLevelSettingsOf(d.trackValues, d.checkValues), PictureOf(*frame), road));
}

HostBool AutoLevelProc(FilterDescriptor* filter, FrameInfo* frame) {
  return AutoLevelProcOnRoad(filter, frame, pipeline::Road::kChoose);
}

HostBool LevelsProc(FilterDescriptor* filter, FrameInfo* frame) {
  return LevelsProcOnRoad(filter, frame, pipeline::Road::kChoose);
}

HostBool LevelsUpdate(FilterDescriptor* filter, std::int32_t change) {
  if (filter == nullptr || filter->trackValues == nullptr || filter->checkValues == nullptr) {
    return kFalse;
  }
  // Compared before subtracting, so no code can overflow.
  if (change < kTrackChangeBase || change >= kTrackChangeBase + kLevelsTrackCount) return kFalse;
  if (!MovedSlider(filter->trackValues, filter->checkValues, change - kTrackChangeBase)) {
    return kFalse;
  }
  // A host that has not filled the table gets the copies without a refresh: calling
  // through a null pointer would take the host down.
  HostServiceTable* services = filter->services;
  if (services != nullptr && services->refreshFilterWindow != nullptr) {
    services->refreshFilterWindow(filter);
  }
  return kTrue;
}

}  // namespace tessaro
