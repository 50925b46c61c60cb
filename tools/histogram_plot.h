// A picture with its Y, R, G and B histograms drawn in a strip beneath it.
#pragma once

#include "png_io.h"
#include "yc_image.h"

namespace tessaro::tools {

// rgb8: the 8-bit RGB rendering of image. The result is as wide and a strip taller.
PngImage PictureWithHistograms(const YcImage& image, const PngImage& rgb8);

}  // namespace tessaro::tools
