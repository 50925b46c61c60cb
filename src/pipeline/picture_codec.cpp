#include "pipeline/picture_codec.h"

#include "pipeline/rgb_codes.h"
#include "primitives/image_rows.h"

namespace tessaro::pipeline {

bool PictureCodec::Open(const Picture& picture, Space space) {
  picture_ = picture;
  space_ = space;
  groupRows_ = 1;
  if (picture.kind != Picture::Kind::kYuv) return true;
  const YuvFormat& f = picture.yuv.format;
  groupRows_ = 1 << f.chromaShiftY();
  return luma_.Build(LumaCodes(f.bitDepth, f.fullRange)) &&
         (f.chroma == ChromaLayout::kMono || chroma_.Build(ChromaCodes(f.bitDepth, f.fullRange)));
}

WorkSpace PictureCodec::workSpace() const {
  return picture_.kind == Picture::Kind::kYuv && space_ == Space::kRgb ? RgbSamples()
                                                                       : kStoredSamples;
}

void PictureCodec::Decode(std::int32_t y, std::int32_t n, std::int16_t* out,
                          std::int32_t step) const {
  if (picture_.kind == Picture::Kind::kYuv) {
    DecodeYuv(y, n, out, step);
    return;
  }
  const Picture::Rgba& p = picture_.rgba;
  const RgbOffsets o = OffsetsOf(p.order);
  for (std::int32_t r = 0; r < n; ++r) {
    const std::uint8_t* in = p.src + std::intptr_t{y + r} * p.srcStep;
    std::int16_t* s = RowAt(out, step, r);
    for (std::int32_t x = 0; x < picture_.width; ++x, in += 4, s += 3) {
      const std::int32_t red = in[o.r], green = in[o.g], blue = in[o.b];
      if (space_ == Space::kRgb) {
        s[0] = static_cast<std::int16_t>(rgb_codes::kCodeUnits * red);
        s[1] = static_cast<std::int16_t>(rgb_codes::kCodeUnits * green);
        s[2] = static_cast<std::int16_t>(rgb_codes::kCodeUnits * blue);
      } else {
        s[0] = static_cast<std::int16_t>(rgb_codes::LumaOf(red, green, blue));
        s[1] = static_cast<std::int16_t>(rgb_codes::BlueDifferenceOf(red, green, blue));
        s[2] = static_cast<std::int16_t>(rgb_codes::RedDifferenceOf(red, green, blue));
      }
    }
  }
}

void PictureCodec::Encode(std::int32_t y, std::int32_t n, const std::int16_t* samples,
                          std::int32_t step) const {
  if (picture_.kind == Picture::Kind::kYuv) {
    EncodeYuv(y, n, samples, step);
    return;
  }
  const Picture::Rgba& p = picture_.rgba;
  const RgbOffsets o = OffsetsOf(p.order);
  for (std::int32_t r = 0; r < n; ++r) {
    const std::uint8_t* in = p.src + std::intptr_t{y + r} * p.srcStep;
    std::uint8_t* out = p.dst + std::intptr_t{y + r} * p.dstStep;
    const std::int16_t* s = RowAt(samples, step, r);
    for (std::int32_t x = 0; x < picture_.width; ++x, in += 4, out += 4, s += 3) {
      // Read in full before writing: the two may be the same pixel.
      std::uint8_t px[4] = {in[0], in[1], in[2], in[3]};
      if (space_ == Space::kRgb) {
        px[o.r] = static_cast<std::uint8_t>(rgb_codes::CodeOfSample(s[0]));
        px[o.g] = static_cast<std::uint8_t>(rgb_codes::CodeOfSample(s[1]));
        px[o.b] = static_cast<std::uint8_t>(rgb_codes::CodeOfSample(s[2]));
      } else {
        const std::int32_t red = px[o.r], green = px[o.g], blue = px[o.b];
        rgb_codes::MovePixel(s[0] - rgb_codes::LumaOf(red, green, blue),
                             s[1] - rgb_codes::BlueDifferenceOf(red, green, blue),
                             s[2] - rgb_codes::RedDifferenceOf(red, green, blue), &px[o.r],
                             &px[o.g], &px[o.b]);
      }
      for (int i = 0; i < 4; ++i) out[i] = px[i];
    }
  }
}

void PictureCodec::DecodeYuv(std::int32_t y, std::int32_t n, std::int16_t* out,
                             std::int32_t step) const {
  const Picture::Yuv& p = picture_.yuv;
  const YuvFormat& f = p.format;
  const bool mono = f.chroma == ChromaLayout::kMono;
  const std::int32_t sx = f.chromaShiftX(), sy = f.chromaShiftY();
  for (std::int32_t r = 0; r < n; ++r) {
    std::int16_t* s = RowAt(out, step, r);
    for (std::int32_t x = 0; x < picture_.width; ++x, s += 3) {
      s[0] = luma_(CodeAt(p.plane[0], f, x, y + r));
      if (mono) {
        s[1] = s[2] = 0;
      } else {
        s[1] = chroma_(CodeAt(p.plane[1], f, x >> sx, (y + r) >> sy));
        s[2] = chroma_(CodeAt(p.plane[2], f, x >> sx, (y + r) >> sy));
      }
    }
  }
}

void PictureCodec::EncodeYuv(std::int32_t y, std::int32_t n, const std::int16_t* samples,
                             std::int32_t step) const {
  const Picture::Yuv& p = picture_.yuv;
  const YuvFormat& f = p.format;
  const CodeScale& luma = luma_.scale();
  for (std::int32_t r = 0; r < n; ++r) {
    const std::int16_t* s = RowAt(samples, step, r);
    for (std::int32_t x = 0; x < picture_.width; ++x) {
      PutCode(p.plane[0], f, x, y + r, static_cast<std::uint32_t>(SampleToCode(s[3 * x], luma)));
    }
  }
  if (f.chroma == ChromaLayout::kMono) return;
  // Each chroma sample of the group's chroma row: the mean of the pixels it covers, cut at the
  // right and bottom edges.
  const CodeScale& chroma = chroma_.scale();
  const std::int32_t sx = f.chromaShiftX();
  const std::int32_t cy = y >> f.chromaShiftY();
  for (std::int32_t cx = 0; cx < picture_.PlaneWidth(1); ++cx) {
    const std::int32_t x0 = cx << sx;
    const std::int32_t x1 = x0 + (1 << sx) < picture_.width ? x0 + (1 << sx) : picture_.width;
    std::int64_t cb = 0, cr = 0;
    for (std::int32_t r = 0; r < n; ++r) {
      const std::int16_t* s = RowAt(samples, step, r);
      for (std::int32_t x = x0; x < x1; ++x) {
        cb += s[3 * x + 1];
        cr += s[3 * x + 2];
      }
    }
    const std::int32_t count = n * (x1 - x0);
    PutCode(p.plane[1], f, cx, cy, static_cast<std::uint32_t>(SamplesToCode(cb, count, chroma)));
    PutCode(p.plane[2], f, cx, cy, static_cast<std::uint32_t>(SamplesToCode(cr, count, chroma)));
  }
}

}  // namespace tessaro::pipeline
