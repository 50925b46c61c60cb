#include "histogram_plot.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "picture_stats.h"

namespace tessaro::tools {
namespace {

constexpr int kPanelWidth = 256;  // one column per bin
constexpr int kPanelHeight = 160;
constexpr int kMargin = 20;
constexpr int kStripHeight = kPanelHeight + 2 * kMargin;

struct Colour {
  std::uint16_t r, g, b;
};
constexpr Colour kStrip{24, 24, 24};
constexpr Colour kPanel{44, 44, 44};
constexpr Colour kBars[4] = {{225, 225, 225}, {235, 70, 70}, {70, 205, 70}, {90, 130, 255}};

}  // namespace

PngImage PictureWithHistograms(const YcImage& image, const PngImage& rgb8) {
  PngImage out;
  out.width = image.width;
  out.height = image.height + kStripHeight;
  out.channels = 3;
  out.bitDepth = 8;
  out.samples.resize(static_cast<std::size_t>(out.width) * out.height * 3);
  std::copy(rgb8.samples.begin(), rgb8.samples.end(), out.samples.begin());
  auto put = [&](int x, int y, const Colour& c) {
    if (x < 0 || x >= out.width || y < 0 || y >= out.height) return;
    const std::size_t i = (static_cast<std::size_t>(y) * out.width + x) * 3;
    out.samples[i] = c.r;
    out.samples[i + 1] = c.g;
    out.samples[i + 2] = c.b;
  };
  for (int y = image.height; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) put(x, y, kStrip);
  }
  const auto histograms = Histograms(image, rgb8);
  const int gap = std::max(0, (out.width - 4 * kPanelWidth) / 5);
  const int top = image.height + kMargin;
  for (int p = 0; p < 4; ++p) {
    const int left = gap + p * (kPanelWidth + gap);
    const Histogram& h = histograms[static_cast<std::size_t>(p)];
    const double peak =
        static_cast<double>(std::max<std::int64_t>(1, *std::max_element(h.begin(), h.end())));
    for (int bin = 0; bin < kPanelWidth; ++bin) {
      // A square-root scale keeps the thin tails visible next to a tall peak.
      const int bar = static_cast<int>(std::lround(
          std::sqrt(static_cast<double>(h[static_cast<std::size_t>(bin)]) / peak) * kPanelHeight));
      for (int y = 0; y < kPanelHeight; ++y) {
        put(left + bin, top + y, kPanelHeight - y <= bar ? kBars[p] : kPanel);
      }
    }
  }
  return out;
}

}  // namespace tessaro::tools
