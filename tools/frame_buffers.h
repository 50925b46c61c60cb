// The editor's frame for the filters (and for a module driven through its export): an edit
// and a temporary buffer of YcPixel rows, width + rowPad pixels long, owned by the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pipeline/picture.h"
#include "yc_image.h"

namespace tessaro::tools {

// Whether rows of width + rowPad pixels over height rows still fit the host's limits.
bool FrameFits(std::int32_t width, std::int32_t height, std::int32_t rowPad);

class FrameBuffers {
 public:
  FrameBuffers(std::int32_t width, std::int32_t height, std::int32_t rowPad);
  void Load(const YcImage& image);
  void Store(YcImage* image) const;
  // The frame as the filters take it.
  pipeline::Picture picture();
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::int32_t rowLength() const { return rowLength_; }

 private:
  std::vector<YcPixel> edit_, temp_;
  std::int32_t width_, height_, rowLength_;
};

}  // namespace tessaro::tools
