#include "frame_buffers.h"

#include <algorithm>

namespace tessaro::tools {
namespace {

// What a host's buffers hold before a frame arrives: nothing a filter may rely on.
const YcPixel kPaddingJunk{-31313, 31313, -31313};
const YcPixel kScratchJunk{5551, -5551, 1234};

}  // namespace

bool FrameFits(std::int32_t width, std::int32_t height, std::int32_t rowPad) {
  return width > 0 && height > 0 && (std::int64_t{width} + rowPad) * height <= kMaxPixels;
}

FrameBuffers::FrameBuffers(std::int32_t width, std::int32_t height, std::int32_t rowPad)
    : width_(width), height_(height), rowLength_(width + rowPad) {
  edit_.assign(static_cast<std::size_t>(rowLength_) * static_cast<std::size_t>(height),
               kPaddingJunk);
  temp_.assign(edit_.size(), kScratchJunk);
}

void FrameBuffers::Load(const YcImage& image) {
  for (std::int32_t y = 0; y < height_; ++y) {
    std::copy_n(&image.at(0, y), width_,
                edit_.begin() + static_cast<std::ptrdiff_t>(y) * rowLength_);
  }
}

void FrameBuffers::Store(YcImage* image) const {
  image->Resize(width_, height_);
  for (std::int32_t y = 0; y < height_; ++y) {
    std::copy_n(edit_.begin() + static_cast<std::ptrdiff_t>(y) * rowLength_, width_,
                &image->at(0, y));
  }
}

pipeline::Picture FrameBuffers::picture() {
  const std::int32_t step = rowLength_ * kPixelBytes;
  return pipeline::Picture::Yc(
      {{reinterpret_cast<std::int16_t*>(edit_.data()), step, width_, height_},
       {reinterpret_cast<std::int16_t*>(temp_.data()), step, width_, height_}});
}

}  // namespace tessaro::tools
