#include "support/pictures.h"

namespace tessaro::testing {

YuvPicture::YuvPicture(std::int32_t width, std::int32_t height, const pipeline::YuvFormat& format,
                       YuvLayout layout, std::int32_t pad)
    : width_(width), height_(height), format_(format) {
  const std::int32_t b = format.wide ? 2 : 1;
  const pipeline::Picture shape = pipeline::Picture::YuvPlanes(planes_, format, width, height);
  const std::int32_t cw = shape.PlaneWidth(1), ch = shape.PlaneHeight(1);
  std::size_t offsets[3] = {0, 0, 0};
  std::int32_t steps[3] = {0, 0, 0}, strides[3] = {b, b, b};
  std::size_t total = 0;
  switch (layout) {
    case YuvLayout::kPlanar:
      for (int p = 0; p < planes(); ++p) {
        steps[p] = b * shape.PlaneWidth(p) + pad;
        offsets[p] = total;
        total += static_cast<std::size_t>(steps[p]) * shape.PlaneHeight(p);
      }
      break;
    case YuvLayout::kSemiPlanar:
      steps[0] = b * width + pad;
      total = static_cast<std::size_t>(steps[0]) * height;
      steps[1] = steps[2] = 2 * b * cw + pad;
      offsets[1] = total;
      offsets[2] = total + b;
      strides[1] = strides[2] = 2 * b;
      total += static_cast<std::size_t>(steps[1]) * ch;
      break;
    case YuvLayout::kPacked:
    case YuvLayout::kPackedUyvy:
    case YuvLayout::kPackedYvyu: {
      // Where Y, Cb and Cr start in the four-byte pair of pixels.
      const std::size_t starts[3][3] = {{0, 1, 3}, {1, 0, 2}, {0, 3, 1}};
      const std::size_t* at =
          starts[static_cast<int>(layout) - static_cast<int>(YuvLayout::kPacked)];
      steps[0] = steps[1] = steps[2] = 4 * b * cw + pad;
      for (int p = 0; p < 3; ++p) offsets[p] = at[p] * static_cast<std::size_t>(b);
      strides[0] = 2 * b;
      strides[1] = strides[2] = 4 * b;
      total = static_cast<std::size_t>(steps[0]) * height;
      break;
    }
  }
  bytes_.assign(total + 16, kJunk);
  for (int p = 0; p < 3; ++p) planes_[p] = {bytes_.data() + offsets[p], steps[p], strides[p]};
  if (planes() == 1) planes_[1] = planes_[2] = {nullptr, 0, 0};
}

YuvPicture::YuvPicture(const YuvPicture& other)
    : width_(other.width_), height_(other.height_), format_(other.format_), bytes_(other.bytes_) {
  for (int p = 0; p < 3; ++p) {
    planes_[p] = other.planes_[p];
    if (planes_[p].data != nullptr) {
      planes_[p].data = bytes_.data() + (other.planes_[p].data - other.bytes_.data());
    }
  }
}

std::uint32_t YuvPicture::code(int p, std::int32_t x, std::int32_t y) const {
  const pipeline::SamplePlane& s = planes_[p];
  const std::uint8_t* at = s.data + std::intptr_t{y} * s.step + std::intptr_t{x} * s.stride;
  return format_.wide ? static_cast<std::uint32_t>(at[0] | (at[1] << 8)) >> format_.shift : at[0];
}

void YuvPicture::set(int p, std::int32_t x, std::int32_t y, std::uint32_t code) {
  const pipeline::SamplePlane& s = planes_[p];
  std::uint8_t* at = s.data + std::intptr_t{y} * s.step + std::intptr_t{x} * s.stride;
  if (format_.wide) {
    const std::uint32_t word = code << format_.shift;
    at[0] = static_cast<std::uint8_t>(word);
    at[1] = static_cast<std::uint8_t>(word >> 8);
  } else {
    at[0] = static_cast<std::uint8_t>(code);
  }
}

Scene::Scene(std::uint64_t seed) : rng(seed) {
  for (int c = 0; c < 3; ++c) {
    base[c] = rng.Range(0, 600);
    span[c] = rng.Range(100, 1000 - base[c] / 2);
  }
  noise = rng.Range(0, 40);
}

std::uint32_t Scene::Code(int c, std::int32_t x, std::int32_t y, std::int32_t width,
                          std::int32_t height, std::uint32_t maxCode) {
  // Per mille of full scale, then to codes.
  std::int32_t v = base[c] + span[c] * (x + 2 * y) / (width + 2 * height);
  if ((x / 7 + y / 5 + c) % 5 == 0) v = base[c] + span[c] / 3;
  if (x * 3 > width * 2 && y * 2 > height) v = base[c] + (c == 1 ? span[c] : 0);
  v += noise > 0 ? rng.Range(-noise, noise) : 0;
  v = v < 0 ? 0 : (v > 1000 ? 1000 : v);
  return static_cast<std::uint32_t>((std::int64_t{v} * maxCode + 500) / 1000);
}

void FillRgba(RgbaPicture& picture, std::uint64_t seed) {
  Scene scene(seed);
  const std::int32_t w = picture.width(), h = picture.height();
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      std::uint8_t* p = picture.pixel(x, y);
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(scene.Code(c, x, y, w, h, 255));
      p[3] = static_cast<std::uint8_t>(scene.rng.Next());
    }
  }
}

void FillYuv(YuvPicture& picture, std::uint64_t seed) {
  Scene scene(seed);
  const std::uint32_t maxCode = static_cast<std::uint32_t>(picture.format().maxCode());
  for (int p = 0; p < picture.planes(); ++p) {
    const std::int32_t w = picture.PlaneWidth(p), h = picture.PlaneHeight(p);
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) picture.set(p, x, y, scene.Code(p, x, y, w, h, maxCode));
    }
  }
}

}  // namespace tessaro::testing
