// A picture in the module's own samples, rows packed without padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/host_records.h"

namespace tessaro::tools {

struct YcImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<YcPixel> pixels;  // width * height, row after row

  void Resize(std::int32_t w, std::int32_t h) {
    width = w;
    height = h;
    pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), YcPixel{0, 0, 0});
  }
  YcPixel& at(std::int32_t x, std::int32_t y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  const YcPixel& at(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Largest picture the host accepts: both frame buffers of a 8192 x 8192 frame still fit
// the 32-bit address space.
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;
inline constexpr std::int32_t kMaxSide = 1 << 16;

}  // namespace tessaro::tools
