#include "host/frame_callbacks.h"

#include "autolevel/auto_level.h"
#include "host/filters.h"
#include "host/frame_guard.h"
#include "levels/levels.h"
#include "levels/levels_params.h"

namespace tessaro {
namespace {

static_assert(sizeof(YcPixel) == kPixelBytes);

// The host's buffers as the filters take them; an empty frame carries no buffers.
pipeline::Buffers BuffersOf(const FrameInfo& frame, FrameVerdict verdict) {
  if (verdict != FrameVerdict::kProcess) {
    return {{nullptr, 0, frame.width, frame.height}, {nullptr, 0, frame.width, frame.height}};
  }
  const std::int32_t step = frame.rowLength * kPixelBytes;
  return {{reinterpret_cast<std::int16_t*>(frame.edit), step, frame.width, frame.height},
          {reinterpret_cast<std::int16_t*>(frame.temp), step, frame.width, frame.height}};
}

}  // namespace

HostBool AutoLevelProcWithPath(FilterDescriptor* filter, FrameInfo* frame,
                               pipeline::FramePath path) {
  const FrameVerdict verdict = CheckFrame(filter, frame);
  if (verdict == FrameVerdict::kRefuse) return kFalse;
  SettingsSnapshot snapshot(*filter);
  const FilterDescriptor& d = *snapshot.filter();
  const AutoLevelSettings settings{d.trackValues[TrackMidRng], d.trackValues[TrackSkip],
                                   d.checkValues[CheckCb] != 0, d.checkValues[CheckCr] != 0,
                                   d.checkValues[CheckRgbMode] != 0};
  return AutoLevelFrame(settings, BuffersOf(*frame, verdict), path) ? kTrue : kFalse;
}

HostBool LevelsProcWithPath(FilterDescriptor* filter, FrameInfo* frame, pipeline::FramePath path) {
  // An empty frame cannot be taken into planes: it is refused as it came.
  const FrameVerdict verdict = CheckFrame(filter, frame);
  if (verdict != FrameVerdict::kProcess) return kFalse;
  SettingsSnapshot snapshot(*filter);
  return LevelsFrame(snapshot.filter()->trackValues, BuffersOf(*frame, verdict), path) ? kTrue
                                                                                       : kFalse;
}

HostBool AutoLevelProc(FilterDescriptor* filter, FrameInfo* frame) {
  return AutoLevelProcWithPath(filter, frame, pipeline::FramePath::kChoose);
}

HostBool LevelsProc(FilterDescriptor* filter, FrameInfo* frame) {
  return LevelsProcWithPath(filter, frame, pipeline::FramePath::kChoose);
}

HostBool LevelsUpdate(FilterDescriptor* filter, std::int32_t change) {
  if (filter == nullptr || filter->trackValues == nullptr || filter->checkValues == nullptr) {
    return kFalse;
  }
  if (filter->checkValues[CheckSyncRgb] == 0) return kFalse;
  // Compared before subtracting, so no code can overflow.
  if (change < kTrackChangeBase || change >= kTrackChangeBase + kLevelsTrackCount) return kFalse;

  std::int32_t* tracks = filter->trackValues;
  const std::int32_t n = change - kTrackChangeBase;
  const SyncPartners partners = SyncPartnersOf(n);
  tracks[partners.first] = tracks[n];
  tracks[partners.second] = tracks[n];

  // A host that has not filled the table gets the copies without a refresh: calling
  // through a null pointer would take the host down.
  HostServiceTable* services = filter->services;
  if (services != nullptr && services->refreshFilterWindow != nullptr) {
    services->refreshFilterWindow(filter);
  }
  return kTrue;
}

}  // namespace tessaro
