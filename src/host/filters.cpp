#include "host/filters.h"

#include <cstddef>
#include <iterator>

#include "host/frame_callbacks.h"
#include "host/help.h"
#include "host/startup.h"

namespace tessaro {
namespace {

struct TrackRow {
  const char* name;
  std::int32_t defaultValue;
  std::int32_t min;
  std::int32_t max;
};

struct CheckRow {
  const char* name;
  std::int32_t defaultValue;  // kButtonDefault: a push button
};

// One row per slider and check box; the host's parallel arrays are derived below.
constexpr TrackRow kAutoLevelTracks[] = {
    {"midRng", 50, 5, 95},
    {"Skip", 420, 0, kRgbFullScale},
};
constexpr CheckRow kAutoLevelChecks[] = {
    {"Cb", 0},
    {"Cr", 0},
    {"RGB mode", 0},
    {"HELP", kButtonDefault},
};

// Input, output and clipping sliders span the RGB samples' scale.
constexpr std::int32_t kTop = kRgbFullScale;
// clang-format off
constexpr TrackRow kLevelsTracks[] = {
    //name      default min max
    {"Rc-Hi",  0,    0, kTop},
    {"Rc-Low", 0,    0, kTop},
    {"Ri-Hi",  kTop, 0, kTop},
    {"Ri-Low", 0,    0, kTop},
    {"Ro-Hi",  kTop, 0, kTop},
    {"Ro-Low", 0,    0, kTop},
    {"Gc-Hi",  0,    0, kTop},
    {"Gc-Low", 0,    0, kTop},
    {"Gi-Hi",  kTop, 0, kTop},
    {"Gi-Low", 0,    0, kTop},
    {"Go-Hi",  kTop, 0, kTop},
    {"Go-Low", 0,    0, kTop},
    {"Bc-Hi",  0,    0, kTop},
    {"Bc-Low", 0,    0, kTop},
    {"Bi-Hi",  kTop, 0, kTop},
    {"Bi-Low", 0,    0, kTop},
    {"Bo-Hi",  kTop, 0, kTop},
    {"Bo-Low", 0,    0, kTop},
    {"gamR",   100,  1, 100},
    {"gamG",   100,  1, 100},
    {"gamB",   100,  1, 100},
};
// clang-format on
constexpr CheckRow kLevelsChecks[] = {
    {"Sync RGB", 1},
    {"HELP", kButtonDefault},
};
static_assert(std::size(kLevelsTracks) == kLevelsTrackCount);

template <std::size_t N>
struct TrackArrays {
  const char* names[N];
  std::int32_t defaults[N];
  std::int32_t mins[N];
  std::int32_t maxs[N];
};

template <std::size_t N>
constexpr TrackArrays<N> MakeTrackArrays(const TrackRow (&rows)[N]) {
  TrackArrays<N> a{};
  for (std::size_t i = 0; i < N; ++i) {
    a.names[i] = rows[i].name;
    a.defaults[i] = rows[i].defaultValue;
    a.mins[i] = rows[i].min;
    a.maxs[i] = rows[i].max;
  }
  return a;
}

template <std::size_t N>
struct CheckArrays {
  const char* names[N];
  std::int32_t defaults[N];
};

template <std::size_t N>
constexpr CheckArrays<N> MakeCheckArrays(const CheckRow (&rows)[N]) {
  CheckArrays<N> a{};
  for (std::size_t i = 0; i < N; ++i) {
    a.names[i] = rows[i].name;
    a.defaults[i] = rows[i].defaultValue;
  }
  return a;
}

constexpr auto kAutoLevelTrackArrays = MakeTrackArrays(kAutoLevelTracks);
constexpr auto kAutoLevelCheckArrays = MakeCheckArrays(kAutoLevelChecks);
constexpr auto kLevelsTrackArrays = MakeTrackArrays(kLevelsTracks);
constexpr auto kLevelsCheckArrays = MakeCheckArrays(kLevelsChecks);

template <std::size_t T, std::size_t C>
constexpr FilterDescriptor MakeDescriptor(const char* name, const TrackArrays<T>& tracks,
                                          const CheckArrays<C>& checks, ProcessFn process,
                                          UpdateFn update, WindowProcFn windowProc,
                                          const char* information) {
  FilterDescriptor d{};
  d.flags = kFilterFlagHasInformation;
  d.name = name;
  d.trackCount = static_cast<std::int32_t>(T);
  d.trackNames = tracks.names;
  d.trackDefaults = tracks.defaults;
  d.trackMins = tracks.mins;
  d.trackMaxs = tracks.maxs;
  d.checkCount = static_cast<std::int32_t>(C);
  d.checkNames = checks.names;
  d.checkDefaults = checks.defaults;
  d.process = process;
  d.init = FilterInit;
  d.update = update;
  d.windowProc = windowProc;
  d.information = information;
  return d;
}

// The host fills fields of these records and hands them back on every call.
constinit FilterDescriptor g_autoLevel =
    MakeDescriptor("Auto Level", kAutoLevelTrackArrays, kAutoLevelCheckArrays, AutoLevelProc,
                   nullptr, AutoLevelWindowProc, "Auto Level 1.0 by Orun");
constinit FilterDescriptor g_levels =
    MakeDescriptor("Quillon Level", kLevelsTrackArrays, kLevelsCheckArrays, LevelsProc,
                   LevelsUpdate, LevelsWindowProc, "Quillon Level 1.0 by Orun");

constinit FilterDescriptor* g_filterList[] = {&g_autoLevel, &g_levels, nullptr};

}  // namespace

FilterDescriptor& AutoLevelFilter() {
  return g_autoLevel;
}
FilterDescriptor& LevelsFilter() {
  return g_levels;
}
FilterDescriptor** FilterList() {
  return g_filterList;
}

}  // namespace tessaro
