// A filter's controls as every host shows them: one row per slider (whole numbers within a
// range) and per check box or push button. Each filter declares its rows once; the hosts make
// their own records from them (the editor's descriptor, the items of AviUtl ExEdit2, frei0r's
// parameters, the command line's names).
#pragma once

#include <cstdint>

namespace tessaro::pipeline {

struct SliderRow {
  const char* name;
  std::int32_t defaultValue;
  std::int32_t min;
  std::int32_t max;

  constexpr std::int32_t Held(std::int32_t v) const { return v < min ? min : (v > max ? max : v); }
};

struct CheckRow {
  const char* name;
  bool defaultOn;
  bool button;  // a push button ("HELP"), not a setting
};

// The most controls a filter has: the hosts size their records by these.
inline constexpr std::int32_t kMaxSliders = 21;
inline constexpr std::int32_t kMaxChecks = 4;

}  // namespace tessaro::pipeline
