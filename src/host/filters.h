// The module's two filters: their sliders and check boxes, and the filter list.
#pragma once

#include <cstdint>

#include "host/host_records.h"
#include "levels/levels_params.h"

namespace tessaro {

// Track and check-box indices of "Auto Level".
enum AutoLevelTrack : std::int32_t { TrackMidRng = 0, TrackSkip = 1 };
enum AutoLevelCheck : std::int32_t {
  CheckCb = 0,
  CheckCr = 1,
  CheckRgbMode = 2,
  CheckAutoLevelHelp = 3
};

enum LevelsCheck : std::int32_t { CheckSyncRgb = 0, CheckLevelsHelp = 1 };

inline constexpr std::uint32_t kAutoLevelHelpCommand = kButtonCommandBase + CheckAutoLevelHelp;
inline constexpr std::uint32_t kLevelsHelpCommand = kButtonCommandBase + CheckLevelsHelp;

FilterDescriptor& AutoLevelFilter();
FilterDescriptor& LevelsFilter();
// Both descriptors and a null terminator, in the order the host shows them.
FilterDescriptor** FilterList();

}  // namespace tessaro
