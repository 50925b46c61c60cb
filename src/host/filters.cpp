#include "host/filters.h"

#include <cstddef>
#include <iterator>

#include "host/frame_callbacks.h"
#include "host/help.h"
#include "host/startup.h"

namespace tessaro {
namespace {

template <std::size_t N>
struct TrackArrays {
  const char* names[N];
  std::int32_t defaults[N];
  std::int32_t mins[N];
  std::int32_t maxs[N];
};

template <std::size_t N>
constexpr TrackArrays<N> MakeTrackArrays(const pipeline::SliderRow (&rows)[N]) {
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

// A push button is a check box whose default is kButtonDefault.
template <std::size_t N>
constexpr CheckArrays<N> MakeCheckArrays(const pipeline::CheckRow (&rows)[N]) {
  CheckArrays<N> a{};
  for (std::size_t i = 0; i < N; ++i) {
    a.names[i] = rows[i].name;
    a.defaults[i] = rows[i].button ? kButtonDefault : (rows[i].defaultOn ? 1 : 0);
  }
  return a;
}

// The editor's parallel arrays, made from each filter's own rows.
constexpr auto kAutoLevelTrackArrays = MakeTrackArrays(kAutoLevelSliders);
constexpr auto kAutoLevelCheckArrays = MakeCheckArrays(kAutoLevelChecks);
constexpr auto kLevelsTrackArrays = MakeTrackArrays(kQuillonLevelSliders);
constexpr auto kLevelsCheckArrays = MakeCheckArrays(kQuillonLevelChecks);

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
    MakeDescriptor(kAutoLevelName, kAutoLevelTrackArrays, kAutoLevelCheckArrays, AutoLevelProc,
                   nullptr, AutoLevelWindowProc, kAutoLevelInformation);
constinit FilterDescriptor g_levels =
    MakeDescriptor(kQuillonLevelName, kLevelsTrackArrays, kLevelsCheckArrays, LevelsProc,
                   LevelsUpdate, LevelsWindowProc, kQuillonLevelInformation);

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
