// Per-channel minimum, mean and maximum, and 256-bin histograms, of a picture.
#pragma once

#include <array>
#include <cstdint>

#include "png_io.h"
#include "yc_image.h"

namespace tessaro::tools {

struct ChannelStats {
  int min = 0;
  double mean = 0.0;
  int max = 0;
};

// Y, Cb, Cr of the module's samples.
std::array<ChannelStats, 3> MeasureYc(const YcImage& image);
// The colour channels of an RGB picture, in its own codes.
std::array<ChannelStats, 3> MeasureRgb(const PngImage& rgb);

using Histogram = std::array<std::int64_t, 256>;

// Y (0..4096 onto 256 bins), then R, G, B of the 8-bit RGB rendering.
std::array<Histogram, 4> Histograms(const YcImage& image, const PngImage& rgb8);

}  // namespace tessaro::tools
