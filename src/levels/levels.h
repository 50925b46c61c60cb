// The "Quillon Level" filter.
#pragma once

#include <cstdint>

#include "autolevel/auto_level.h"
#include "host/host_records.h"

namespace tessaro {

// Processing callback of "Quillon Level".
HostBool LevelsProc(FilterDescriptor* filter, FrameInfo* frame);
HostBool LevelsProcWithPath(FilterDescriptor* filter, FrameInfo* frame, LevelPath path);
// Settings-changed callback: keeps the three channels' sliders in step under "Sync RGB".
HostBool LevelsUpdate(FilterDescriptor* filter, std::int32_t change);

}  // namespace tessaro
