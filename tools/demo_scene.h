// The demo's picture, made in code: a dim, low-contrast frame with a warm colour cast,
// a gradient, some coloured shapes and a little noise.
#pragma once

#include "yc_image.h"

namespace tessaro::tools {

inline constexpr std::int32_t kDemoWidth = 1280;
inline constexpr std::int32_t kDemoHeight = 720;

void BuildDemoScene(YcImage* image);

}  // namespace tessaro::tools
