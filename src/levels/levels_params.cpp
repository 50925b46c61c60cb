#include "levels/levels_params.h"

#include <algorithm>
#include <cassert>

namespace tessaro {
namespace {

// Under "Sync RGB" a moved slider is copied to the same slider of the other two channels.
struct PartnerRow {
  std::int32_t firstTrack;
  std::int32_t lastTrack;
  std::int32_t firstWriteOffset;
  std::int32_t secondWriteOffset;
};
constexpr PartnerRow kPartners[] = {
    {0, 5, +6, +12},    // R block
    {6, 11, -6, +6},    // G block
    {12, 17, -12, -6},  // B block
    {18, 18, +1, +2},   // gamR
    {19, 19, -1, +1},   // gamG
    {20, 20, -2, -1},   // gamB
};

// Every track has exactly one row, and every write lands on another valid track.
consteval bool PartnersCoverEveryTrack() {
  std::int32_t next = 0;
  for (const PartnerRow& row : kPartners) {
    if (row.firstTrack != next || row.lastTrack < row.firstTrack) return false;
    for (std::int32_t n = row.firstTrack; n <= row.lastTrack; ++n) {
      for (std::int32_t to : {n + row.firstWriteOffset, n + row.secondWriteOffset}) {
        if (to == n || to < 0 || to >= kLevelsTrackCount) return false;
      }
    }
    next = row.lastTrack + 1;
  }
  return next == kLevelsTrackCount;
}
static_assert(PartnersCoverEveryTrack());

}  // namespace

ChannelLevels ReadChannelLevels(const QuillonChannel& channel) {
  const auto [inLow, inHigh] = std::minmax(channel.inHigh, channel.inLow);
  const auto [outLow, outHigh] = std::minmax(channel.outHigh, channel.outLow);
  ChannelLevels levels{};
  levels.clipHigh = channel.clipHigh;
  levels.clipLow = channel.clipLow;
  levels.inLow = static_cast<float>(inLow);
  levels.inHigh = static_cast<float>(inHigh);
  levels.outLow = static_cast<float>(outLow);
  levels.outHigh = static_cast<float>(outHigh);
  levels.gamma = static_cast<float>(channel.gamma) / 100.0f;
  return levels;
}

SyncPartners SyncPartnersOf(std::int32_t track) {
  assert(track >= 0 && track < kLevelsTrackCount);
  for (const PartnerRow& row : kPartners) {
    if (track <= row.lastTrack)
      return {track + row.firstWriteOffset, track + row.secondWriteOffset};
  }
  assert(false);
  return {track, track};
}

}  // namespace tessaro
