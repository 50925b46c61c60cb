// Host pictures for tests: 8-bit RGBA and YUV of any layout (planar, semi-planar, packed),
// rows padded with junk that no filter may touch, filled with seeded random scenes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pipeline/picture.h"
#include "support/differential.h"

namespace tessaro::testing {

// Four-byte pixels in rows `pad` bytes longer than the picture, junk in the padding.
class RgbaPicture {
 public:
  static constexpr std::uint8_t kJunk = 0x5A;
  RgbaPicture(std::int32_t width, std::int32_t height, std::int32_t pad = 0,
              pipeline::ByteOrder order = pipeline::ByteOrder::kRgba)
      : width_(width),
        height_(height),
        step_(4 * width + pad),
        order_(order),
        bytes_(static_cast<std::size_t>(step_) * static_cast<std::size_t>(height), kJunk) {}

  std::uint8_t* pixel(std::int32_t x, std::int32_t y) {
    return bytes_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(step_) +
           4 * static_cast<std::size_t>(x);
  }
  // In place.
  pipeline::Picture picture() {
    return pipeline::Picture::Rgba8(bytes_.data(), step_, bytes_.data(), step_, width_, height_,
                                    order_);
  }
  // Read from this picture, written into `out` (of the same size).
  pipeline::Picture into(RgbaPicture& out) {
    return pipeline::Picture::Rgba8(bytes_.data(), step_, out.bytes_.data(), out.step_, width_,
                                    height_, order_);
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

 private:
  std::int32_t width_, height_, step_;
  pipeline::ByteOrder order_;
  std::vector<std::uint8_t> bytes_;
};

// How a YUV picture's planes lie in memory.
enum class YuvLayout {
  kPlanar,      // three planes (I420, I422, I444, Y4M)
  kSemiPlanar,  // Y, then Cb and Cr interleaved (NV12, P010)
  kPacked,      // 4:2:2 in one plane, Y0 Cb Y1 Cr (YUY2)
  kPackedUyvy,  // Cb Y0 Cr Y1
  kPackedYvyu,  // Y0 Cr Y1 Cb
};

class YuvPicture {
 public:
  static constexpr std::uint8_t kJunk = 0xC3;
  YuvPicture(std::int32_t width, std::int32_t height, const pipeline::YuvFormat& format,
             YuvLayout layout = YuvLayout::kPlanar, std::int32_t pad = 0);
  // A copy's planes lie in its own bytes.
  YuvPicture(const YuvPicture& other);
  YuvPicture& operator=(const YuvPicture&) = delete;

  pipeline::Picture picture() const {
    return pipeline::Picture::YuvPlanes(planes_, format_, width_, height_);
  }
  std::int32_t PlaneWidth(int p) const { return picture().PlaneWidth(p); }
  std::int32_t PlaneHeight(int p) const { return picture().PlaneHeight(p); }
  int planes() const { return format_.chroma == pipeline::ChromaLayout::kMono ? 1 : 3; }
  std::uint32_t code(int p, std::int32_t x, std::int32_t y) const;
  void set(int p, std::int32_t x, std::int32_t y, std::uint32_t code);
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  const pipeline::YuvFormat& format() const { return format_; }

 private:
  std::int32_t width_, height_;
  pipeline::YuvFormat format_;
  std::vector<std::uint8_t> bytes_;
  pipeline::SamplePlane planes_[3]{};
};

// A scene: a gradient, a few flat shapes and noise, with a random exposure and contrast, so
// that extremes, means and histograms differ from seed to seed. Codes over 0..maxCode.
struct Scene {
  explicit Scene(std::uint64_t seed);
  // Channel c (0..2) of pixel x, y of a width x height picture, 0..maxCode.
  std::uint32_t Code(int c, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t maxCode);

  Random rng;
  int base[3], span[3], noise;
};

void FillRgba(RgbaPicture& picture, std::uint64_t seed);
void FillYuv(YuvPicture& picture, std::uint64_t seed);

}  // namespace tessaro::testing
