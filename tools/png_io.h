// PNG pictures, 8 or 16 bits per sample: grey, grey with alpha, RGB and RGBA. Decoding
// goes through stb_image; writing frames the chunks around stb's zlib compressor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "failure.h"

namespace tessaro::tools {

struct PngImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int channels = 0;                    // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
  int bitDepth = 8;                    // 8 or 16
  std::vector<std::uint16_t> samples;  // interleaved, row after row, codes 0..2^depth - 1

  int ColourChannels() const { return channels <= 2 ? 1 : 3; }
  bool HasAlpha() const { return channels == 2 || channels == 4; }
};

// Palette pictures come back as RGB or RGBA; 1-, 2- and 4-bit grey as 8-bit.
Failure ReadPng(const std::string& path, PngImage* image);
Failure WritePng(const std::string& path, const PngImage& image);

// The encoded file, for WritePng and for tests.
std::vector<unsigned char> EncodePng(const PngImage& image);

}  // namespace tessaro::tools
