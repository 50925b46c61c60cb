#include "picture_stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaro::tools {
namespace {

template <typename Get>
ChannelStats Measure(std::size_t count, Get get) {
  ChannelStats s;
  if (count == 0) return s;
  int lo = std::numeric_limits<int>::max(), hi = std::numeric_limits<int>::min();
  double sum = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    const int v = get(i);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    sum += v;
  }
  return {lo, sum / static_cast<double>(count), hi};
}

}  // namespace

std::array<ChannelStats, 3> MeasureYc(const YcImage& image) {
  const auto& p = image.pixels;
  return {Measure(p.size(), [&](std::size_t i) { return int{p[i].y}; }),
          Measure(p.size(), [&](std::size_t i) { return int{p[i].cb}; }),
          Measure(p.size(), [&](std::size_t i) { return int{p[i].cr}; })};
}

std::array<ChannelStats, 3> MeasureRgb(const PngImage& rgb) {
  const std::size_t n = rgb.samples.size() / static_cast<std::size_t>(rgb.channels);
  const auto channel = [&](int c) {
    return Measure(n, [&, c](std::size_t i) {
      return int{
          rgb.samples[i * static_cast<std::size_t>(rgb.channels) + static_cast<std::size_t>(c)]};
    });
  };
  return {channel(0), channel(1), channel(2)};
}

std::array<Histogram, 4> Histograms(const YcImage& image, const PngImage& rgb8) {
  std::array<Histogram, 4> h{};
  for (const YcPixel& p : image.pixels) {
    const double bin = std::round(p.y * 255.0 / kYcFullScale);
    ++h[0][static_cast<std::size_t>(std::clamp(bin, 0.0, 255.0))];
  }
  for (std::size_t i = 0; i + 2 < rgb8.samples.size();
       i += static_cast<std::size_t>(rgb8.channels)) {
    for (std::size_t c = 0; c < 3; ++c)
      ++h[c + 1][std::min<std::uint16_t>(rgb8.samples[i + c], 255)];
  }
  return h;
}

}  // namespace tessaro::tools
