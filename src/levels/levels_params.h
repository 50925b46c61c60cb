// "Quillon Level" slider values turned into per-channel parameters.
#pragma once

#include <cstdint>

namespace tessaro {

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

// trackValues: the filter's 21 live track values; channel: 0 R, 1 G, 2 B.
ChannelLevels ReadChannelLevels(const std::int32_t* trackValues, std::int32_t channel);

}  // namespace tessaro
