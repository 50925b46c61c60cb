// The caller's rounding mode for one case of a frame kernel test: the kernels round to nearest
// whatever the caller's mode, and put the caller's mode back.
#pragma once

#include <cfenv>
#include <cstdint>

#include "support/differential.h"

namespace tessaro::testing {

class CallerRounding {
 public:
  // One of the four modes, chosen by the case's seed.
  explicit CallerRounding(std::uint64_t seed) : mode_(kModes[seed / 7 % 4]) {
    std::fesetround(mode_);
  }
  ~CallerRounding() { std::fesetround(FE_TONEAREST); }
  CallerRounding(const CallerRounding&) = delete;
  CallerRounding& operator=(const CallerRounding&) = delete;

  int mode() const { return mode_; }
  // Whether the mode is still the caller's.
  bool Kept() const { return ProbeRounding() == mode_; }

 private:
  static constexpr int kModes[] = {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD};
  int mode_;
};

}  // namespace tessaro::testing
