// 8-bit RGB pictures as the RGB hosts now hand them to the filters, against the way they went
// before: every pixel converted to the editor's samples in double precision, the frame
// filtered there, and converted back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "filter_stage.h"
#include "frame_buffers.h"
#include "support/pictures.h"
#include "yc_convert.h"

namespace tessaro::tools {
namespace {

using testing::Random;
using testing::RgbaPicture;

struct Difference {
  int largest = 0;
  long long differing = 0, samples = 0;
};

// The picture through the editor's samples, as before.
std::vector<std::uint8_t> ThroughTheEditorsSamples(FilterStage& stage, RgbaPicture& picture) {
  const std::int32_t w = picture.width(), h = picture.height();
  YcImage image;
  image.Resize(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint8_t* p = picture.pixel(x, y);
      image.at(x, y) = RgbCodesToYc(p[0], p[1], p[2], 255);
    }
  }
  FrameBuffers buffers(w, h, 0);
  buffers.Load(image);
  stage.Process(buffers.picture());
  buffers.Store(&image);
  std::vector<std::uint8_t> out;
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      std::uint16_t rgb[3];
      YcToRgbCodes(image.at(x, y), 255, rgb);
      out.insert(out.end(), {static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]),
                             static_cast<std::uint8_t>(rgb[2])});
    }
  }
  return out;
}

Difference Compare(FilterStage& stage, std::uint64_t seed) {
  Random rng(seed);
  RgbaPicture picture(rng.Range(20, 90), rng.Range(10, 50));
  testing::FillRgba(picture, seed);
  const std::vector<std::uint8_t> before = ThroughTheEditorsSamples(stage, picture);
  stage.Process(picture.picture());
  Difference d;
  std::size_t i = 0;
  for (std::int32_t y = 0; y < picture.height(); ++y) {
    for (std::int32_t x = 0; x < picture.width(); ++x) {
      for (int c = 0; c < 3; ++c, ++i) {
        const int diff = std::abs(picture.pixel(x, y)[c] - before[i]);
        d.largest = std::max(d.largest, diff);
        d.differing += diff != 0;
        ++d.samples;
      }
    }
  }
  return d;
}

TEST(RgbHosts, AutoLevelInYcbcrDiffersFromBeforeByAtMostOneCode) {
  struct Case {
    const char* label;
    std::vector<std::pair<std::string, int>> checks;
    int midRng;
  };
  const Case cases[] = {
      {"default", {}, 50},
      {"midRng 20", {}, 20},
      {"Cb and Cr", {{"Cb", 1}, {"Cr", 1}}, 50},
      {"Cr, midRng 80", {{"Cr", 1}}, 80},
  };
  for (const Case& c : cases) {
    FilterStage stage(*FindFilter("Auto Level"));
    for (const auto& [name, value] : c.checks) ASSERT_FALSE(stage.SetCheck(name, value));
    ASSERT_FALSE(stage.SetTrack("midRng", c.midRng));
    Difference all;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
      const Difference d = Compare(stage, seed);
      all.largest = std::max(all.largest, d.largest);
      all.differing += d.differing;
      all.samples += d.samples;
    }
    EXPECT_LE(all.largest, 1) << c.label << ": " << all.differing << " of " << all.samples
                              << " samples differ";
  }
}

TEST(RgbHosts, QuillonLevelWithoutClippingDiffersFromBeforeByAtMostOneCode) {
  // Before, code c became about 16.06 c (4096 / 255, less the matrix's own shrinking) and
  // came back through two roundings; now it is 16 c and comes back exact. Without clipping the
  // scales' difference stays under a code; clipping picks its black and white points from the
  // histogram, whose bins the old scale shifted, and "RGB mode" of "Auto Level" stretches each
  // channel's narrow range, which magnifies the old scale's error: the closing note of this
  // change gives their figures.
  const std::vector<std::pair<std::string, int>> cases[] = {
      {}, {{"gamR", 60}}, {{"gamG", 100}, {"Ri-Low", 4080}, {"Ri-Hi", 0}}};
  for (const auto& sliders : cases) {
    FilterStage stage(*FindFilter("Quillon Level"));
    for (const auto& [name, value] : sliders) ASSERT_FALSE(stage.MoveTrack(name, value));
    Difference all;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
      const Difference d = Compare(stage, seed);
      all.largest = std::max(all.largest, d.largest);
      all.differing += d.differing;
      all.samples += d.samples;
    }
    EXPECT_LE(all.largest, 1) << stage.DescribeSettings();
  }
}

}  // namespace
}  // namespace tessaro::tools
