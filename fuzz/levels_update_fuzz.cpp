// The settings-changed callback with any change code, live values and service table: TRUE only
// for a track change under Sync RGB, and then exactly the two partners take the track's value.
#include <cstring>

#include "fuzz_input.h"
#include "host/filters.h"
#include "host/frame_callbacks.h"

using namespace tessaro;
using namespace tessaro::fuzz;

namespace {
int g_refreshes = 0;
HostBool CountRefresh(FilterDescriptor*) {
  ++g_refreshes;
  return kTrue;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FilterDescriptor& filter = LevelsFilter();
  Input in(data, size);
  std::int32_t tracks[kLevelsTrackCount], checks[2];
  for (std::int32_t& t : tracks) t = in.Int32();
  for (std::int32_t& c : checks) c = in.Bit() ? in.Int32() : in.Byte() & 1;
  const std::int32_t change = in.Bit() ? in.Int32() : kTrackChangeBase - 2 + in.Byte() % 26;
  HostServiceTable services{};
  const std::uint8_t layout = in.Byte();
  if (layout & 1) services.refreshFilterWindow = CountRefresh;
  filter.trackValues = (layout & 2) ? nullptr : tracks;
  filter.checkValues = (layout & 4) ? nullptr : checks;
  filter.services = (layout & 8) ? nullptr : &services;
  std::int32_t before[kLevelsTrackCount];
  std::memcpy(before, tracks, sizeof tracks);
  g_refreshes = 0;

  const HostBool result = filter.update(&filter, change);
  const bool copies = !(layout & 6) && checks[CheckSyncRgb] != 0 && change >= kTrackChangeBase &&
                      change < kTrackChangeBase + kLevelsTrackCount;
  TESSARO_FUZZ_CHECK(result == (copies ? kTrue : kFalse));
  TESSARO_FUZZ_CHECK(g_refreshes == (copies && (layout & 9) == 1 ? 1 : 0));
  int changed = 0;
  for (std::int32_t i = 0; i < kLevelsTrackCount; ++i) {
    if (tracks[i] == before[i]) continue;
    ++changed;
    const std::int32_t n = change - kTrackChangeBase;
    TESSARO_FUZZ_CHECK(copies && tracks[i] == before[n] && i != n && (i % 6 == n % 6 || i >= 18) &&
                       (i >= 18) == (n >= 18));
  }
  TESSARO_FUZZ_CHECK(changed <= 2);
  filter.trackValues = nullptr;
  filter.checkValues = nullptr;
  filter.services = nullptr;
  return 0;
}
