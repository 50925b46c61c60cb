// The module's two filters: their sliders and check boxes, and the filter list.
#pragma once

#include <cstdint>

#include "autolevel/auto_level.h"
#include "host/host_records.h"
#include "levels/levels.h"

namespace tessaro {

// Track and check-box indices of the descriptors: the filters' own rows, in their order.
enum AutoLevelTrack : std::int32_t { TrackMidRng = kMidRngSlider, TrackSkip = kSkipSlider };
enum AutoLevelCheck : std::int32_t {
  CheckCb = kCbCheck,
  CheckCr = kCrCheck,
  CheckRgbMode = kRgbModeCheck,
  CheckAutoLevelHelp = kAutoLevelHelpButton
};

enum LevelsCheck : std::int32_t {
  CheckSyncRgb = kSyncRgbCheck,
  CheckLevelsHelp = kQuillonLevelHelpButton
};

inline constexpr std::uint32_t kAutoLevelHelpCommand = kButtonCommandBase + CheckAutoLevelHelp;
inline constexpr std::uint32_t kLevelsHelpCommand = kButtonCommandBase + CheckLevelsHelp;

FilterDescriptor& AutoLevelFilter();
FilterDescriptor& LevelsFilter();
// Both descriptors and a null terminator, in the order the host shows them.
FilterDescriptor** FilterList();

}  // namespace tessaro
