#include "bench_cases.h"

#include <string>

namespace tessaro::tools {

const std::vector<BenchCase>& BenchCases() {
  static const std::vector<BenchCase> cases = [] {
    std::vector<Setting> heavy;
    for (const std::string channel : {"R", "G", "B"}) {
      heavy.push_back({Setting::kSet, channel + "c-Hi", 41});
      heavy.push_back({Setting::kSet, channel + "c-Low", 41});
      heavy.push_back({Setting::kSet, channel + "o-Hi", 3900});
      heavy.push_back({Setting::kSet, channel + "o-Low", 200});
    }
    for (const char* gamma : {"gamR", "gamG", "gamB"}) heavy.push_back({Setting::kSet, gamma, 73});
    return std::vector<BenchCase>{
        {"Auto Level default", "Auto Level", {}},
        {"Auto Level Cb + Cr",
         "Auto Level",
         {{Setting::kCheck, "Cb", 1}, {Setting::kCheck, "Cr", 1}}},
        {"Auto Level RGB mode",
         "Auto Level",
         {{Setting::kCheck, "RGB mode", 1}, {Setting::kSet, "Skip", 0}}},
        {"Quillon Level default", "Quillon Level", {}},
        {"Quillon Level heavy", "Quillon Level", heavy},
    };
  }();
  return cases;
}

YcImage BenchScene(std::int32_t width, std::int32_t height) {
  YcImage image;
  image.Resize(width, height);
  std::uint32_t seed = 7;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(seed >> 26) - 32;
      int luma = 700 + 1800 * x / width + 600 * y / height + noise;
      int cb = -200 + 300 * y / height, cr = 150 - 250 * x / width;
      const int dx = x - width / 3, dy = y - height / 2;
      if (std::int64_t{dx} * dx + std::int64_t{dy} * dy < std::int64_t{height} * height / 16) {
        luma = 2600 + noise;
        cb = 500;
      }
      if (x > 2 * width / 3 && y > height / 4 && y < 3 * height / 4) {
        luma = 1200 + noise;
        cr = -600;
      }
      image.at(x, y) = YcPixel{static_cast<std::int16_t>(luma), static_cast<std::int16_t>(cb),
                               static_cast<std::int16_t>(cr)};
    }
  }
  return image;
}

}  // namespace tessaro::tools
