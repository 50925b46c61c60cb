// What a processing callback checks before it touches a frame: the host owns every array and
// buffer it hands over, and nothing guarantees them.
#pragma once

#include <cstdint>

#include "host/host_records.h"

namespace tessaro {

enum class FrameVerdict {
  kProcess,  // safe to process
  kEmpty,    // width or height 0 or less: nothing to do, nothing touched
  kRefuse,   // cannot be handled safely: leave the frame as it came, return FALSE
};

// Null records, arrays or buffers, a row length below the width, or a layout whose byte sizes
// (6 w h, the row step, h times the row step) do not fit a signed 32-bit integer: kRefuse.
FrameVerdict CheckFrame(const FilterDescriptor* filter, const FrameInfo* frame);

// The live slider and check-box values read once, each slider clamped into its declared
// range, behind a copy of the descriptor that the filter code reads instead of the host's.
class SettingsSnapshot {
 public:
  // The descriptor must have passed CheckFrame.
  explicit SettingsSnapshot(const FilterDescriptor& filter);
  SettingsSnapshot(const SettingsSnapshot&) = delete;
  SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

  FilterDescriptor* filter() { return &copy_; }

  static constexpr std::int32_t kMaxTracks = 21;
  static constexpr std::int32_t kMaxChecks = 4;

 private:
  FilterDescriptor copy_;
  std::int32_t tracks_[kMaxTracks];
  std::int32_t checks_[kMaxChecks];
};

}  // namespace tessaro
