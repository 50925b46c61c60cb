// "Quillon Level" slider values turned into per-channel parameters, and the sliders that
// "Sync RGB" keeps in step.
#pragma once

#include <cstdint>

namespace tessaro {

// The sliders: per channel c (0 R, 1 G, 2 B) six from 6c, then the three gammas.
enum LevelsTrackInBlock : std::int32_t {
  TrackClipHigh = 0,
  TrackClipLow = 1,
  TrackInFirst = 2,
  TrackInSecond = 3,
  TrackOutFirst = 4,
  TrackOutSecond = 5,
};
inline constexpr std::int32_t kLevelsTracksPerChannel = 6;
inline constexpr std::int32_t kLevelsGammaTrack = 18;  // + channel
inline constexpr std::int32_t kLevelsTrackCount = 21;

// One channel's parameters, read afresh from the live tracks for every frame.
struct ChannelLevels {
  std::int32_t clipHigh;  // fraction of the pixels, in 1/4080, driven to 4080
  std::int32_t clipLow;   // fraction of the pixels, in 1/4080, driven to 0
  float inLow;            // the sliders of a pair may be in either order
  float inHigh;
  float outLow;
  float outHigh;
  float gamma;  // the input stage raises to 1 / gamma
};

// One channel's sliders, in their own units.
struct QuillonChannel {
  std::int32_t clipHigh = 0;    // "Rc-Hi": the share of the pixels, in 1/4080, driven to white
  std::int32_t clipLow = 0;     // "Rc-Low": the share driven to black
  std::int32_t inHigh = 4080;   // "Ri-Hi" and "Ri-Low": the input range, either way round,
  std::int32_t inLow = 0;       // on 0..4080
  std::int32_t outHigh = 4080;  // "Ro-Hi" and "Ro-Low": the output range
  std::int32_t outLow = 0;
  std::int32_t gamma = 100;  // "gamR": the gamma in hundredths, 1..100
};

ChannelLevels ReadChannelLevels(const QuillonChannel& channel);

// The same slider of the other two channels, in the order a moved slider is copied to them.
struct SyncPartners {
  std::int32_t first;
  std::int32_t second;
};
// track: 0..20.
SyncPartners SyncPartnersOf(std::int32_t track);

}  // namespace tessaro
