#include "pipeline/picture.h"

#include <limits>

namespace tessaro::pipeline {
namespace {

constexpr std::int64_t kMaxSpan = std::numeric_limits<std::int32_t>::max();

// Rows of `rowBytes` bytes, `step` apart, that do not overlap and whose whole span can be
// addressed with the 32-bit steps the kernels use.
bool RowsFit(const void* data, std::int64_t step, std::int64_t rowBytes, std::int32_t rows) {
  return data != nullptr && step >= rowBytes && (rows - 1) * step + rowBytes <= kMaxSpan;
}

bool FormatKnown(const YuvFormat& f) {
  if (f.bitDepth < 8 || f.bitDepth > 16 || f.shift < 0) return false;
  if (!f.wide) return f.bitDepth == 8 && f.shift == 0;
  return f.bitDepth + f.shift <= 16;
}

}  // namespace

Picture Picture::Yc(const Buffers& buffers) {
  Picture p;
  p.kind = Kind::kYc;
  p.width = buffers.edit.width;
  p.height = buffers.edit.height;
  p.yc = buffers;
  return p;
}

Picture Picture::Rgba8(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                       std::int32_t dstStep, std::int32_t width, std::int32_t height,
                       ByteOrder order) {
  Picture p;
  p.kind = Kind::kRgba;
  p.width = width;
  p.height = height;
  p.rgba = {src, srcStep, dst, dstStep, order};
  return p;
}

Picture Picture::YuvPlanes(const SamplePlane planes[3], const YuvFormat& format, std::int32_t width,
                           std::int32_t height) {
  Picture p;
  p.kind = Kind::kYuv;
  p.width = width;
  p.height = height;
  for (int c = 0; c < 3; ++c) p.yuv.plane[c] = planes[c];
  p.yuv.format = format;
  return p;
}

std::int32_t Picture::PlaneWidth(int p) const {
  if (p == 0) return width;
  const std::int32_t s = yuv.format.chromaShiftX();
  return (width + (1 << s) - 1) >> s;
}

std::int32_t Picture::PlaneHeight(int p) const {
  if (p == 0) return height;
  const std::int32_t s = yuv.format.chromaShiftY();
  return (height + (1 << s) - 1) >> s;
}

bool Describable(const Picture& picture) {
  const std::int32_t w = picture.width, h = picture.height;
  if (w < 0 || h < 0) return false;
  if (w == 0 || h == 0) return true;
  if (w > kMaxPictureSide || h > kMaxPictureSide || picture.pixels() > kMaxPicturePixels) {
    return false;
  }
  switch (picture.kind) {
    case Picture::Kind::kYc: {
      const Buffers& b = picture.yc;
      return b.temp.width == w && b.temp.height == h && b.temp.step == b.edit.step &&
             RowsFit(b.edit.pixels, b.edit.step, std::int64_t{kPixelBytes} * w, h) &&
             RowsFit(b.temp.pixels, b.temp.step, std::int64_t{kPixelBytes} * w, h);
    }
    case Picture::Kind::kRgba: {
      const Picture::Rgba& r = picture.rgba;
      return (r.order == ByteOrder::kRgba || r.order == ByteOrder::kBgra) &&
             RowsFit(r.src, r.srcStep, 4 * std::int64_t{w}, h) &&
             RowsFit(r.dst, r.dstStep, 4 * std::int64_t{w}, h);
    }
    case Picture::Kind::kYuv: {
      const YuvFormat& f = picture.yuv.format;
      if (!FormatKnown(f)) return false;
      const std::int32_t bytes = f.wide ? 2 : 1;
      const int planes = f.chroma == ChromaLayout::kMono ? 1 : 3;
      if (f.chroma != ChromaLayout::kMono && f.chroma != ChromaLayout::k420 &&
          f.chroma != ChromaLayout::k422 && f.chroma != ChromaLayout::k444) {
        return false;
      }
      for (int p = 0; p < planes; ++p) {
        const SamplePlane& s = picture.yuv.plane[p];
        const std::int64_t rowBytes = std::int64_t{picture.PlaneWidth(p) - 1} * s.stride + bytes;
        if (s.stride < bytes || !RowsFit(s.data, s.step, rowBytes, picture.PlaneHeight(p))) {
          return false;
        }
      }
      return true;
    }
  }
  return false;
}

}  // namespace tessaro::pipeline
