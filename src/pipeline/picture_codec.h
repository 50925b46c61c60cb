// A host's picture as the filters' samples, a few rows at a time, and back: what the passes
// over a host's picture read and write, with no frame-sized copy. Rows come in groups (two
// for 4:2:0, whose chroma rows cover two rows of pixels; one otherwise), so that a group's
// chroma is written once, as the mean of the samples of the pixels each chroma sample covers.
#pragma once

#include <cstdint>

#include "pipeline/picture.h"
#include "pipeline/yuv_codes.h"

namespace tessaro::pipeline {

class PictureCodec {
 public:
  // An RGBA or YUV picture that Describable accepts. False when memory is short.
  bool Open(const Picture& picture, Space space);

  std::int32_t groupRows() const { return groupRows_; }
  std::int32_t groups() const { return (picture_.height + groupRows_ - 1) / groupRows_; }
  const Picture& picture() const { return picture_; }
  // RGBA pictures are stored as the samples either space works on (R, G and B as 16 times
  // their codes, or their luma and colour differences); YUV pictures as Y, Cb and Cr.
  WorkSpace workSpace() const;

  // Rows [y, y + n) as interleaved samples, three a pixel, rows `step` bytes apart; chroma
  // is repeated over the pixels it covers. `planar`, when given, is scratch of PlanarSamples()
  // through which YUV rows go a plane at a time, in loops the compiler vectorises.
  void Decode(std::int32_t y, std::int32_t n, std::int16_t* out, std::int32_t step,
              std::int16_t* planar = nullptr) const;
  // The samples back into rows [y, y + n), y and n whole groups (n may end at the last row).
  // RGB pictures worked on in Y, Cb and Cr read the rows as they came first. `planar` as for
  // Decode; the samples are not changed.
  void Encode(std::int32_t y, std::int32_t n, const std::int16_t* samples, std::int32_t step,
              std::int16_t* planar = nullptr) const;
  std::int64_t PlanarSamples() const { return std::int64_t{3} * picture_.width * groupRows_; }

  const CodeSamples& lumaSamples() const { return luma_; }
  const CodeSamples& chromaSamples() const { return chroma_; }

 private:
  void DecodeYuv(std::int32_t y, std::int32_t n, std::int16_t* out, std::int32_t step) const;
  void EncodeYuv(std::int32_t y, std::int32_t n, const std::int16_t* samples,
                 std::int32_t step) const;
  // YUV a plane at a time.
  void DecodePlanar(std::int32_t y, std::int32_t n, std::int16_t* out, std::int32_t step,
                    std::int16_t* planar) const;
  void EncodePlanar(std::int32_t y, std::int32_t n, const std::int16_t* samples, std::int32_t step,
                    std::int16_t* planar) const;

  Picture picture_{};
  Space space_ = Space::kYc;
  std::int32_t groupRows_ = 1;
  CodeSamples luma_, chroma_;
};

// Where R, G and B lie in a four-byte pixel.
struct RgbOffsets {
  int r, g, b, other;
};
inline RgbOffsets OffsetsOf(ByteOrder order) {
  return order == ByteOrder::kRgba ? RgbOffsets{0, 1, 2, 3} : RgbOffsets{2, 1, 0, 3};
}

}  // namespace tessaro::pipeline
