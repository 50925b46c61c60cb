// The filters' processing callbacks and "Quillon Level"'s settings-changed callback: what the
// host hands over is checked and read once, then the filter runs on plain settings and frames.
#pragma once

#include <cstdint>

#include "host/host_records.h"
#include "pipeline/frame_pipeline.h"

namespace tessaro {

HostBool AutoLevelProc(FilterDescriptor* filter, FrameInfo* frame);
HostBool LevelsProc(FilterDescriptor* filter, FrameInfo* frame);
// Keeps the three channels' sliders in step under "Sync RGB".
HostBool LevelsUpdate(FilterDescriptor* filter, std::int32_t change);

// As the processing callbacks, on a road chosen by the caller (tests and fuzzers).
HostBool AutoLevelProcOnRoad(FilterDescriptor* filter, FrameInfo* frame, pipeline::Road road);
HostBool LevelsProcOnRoad(FilterDescriptor* filter, FrameInfo* frame, pipeline::Road road);

}  // namespace tessaro
