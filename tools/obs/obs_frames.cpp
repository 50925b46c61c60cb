#include "obs_frames.h"

#include <cstdint>
#include <cstdio>
#include <iterator>

namespace tessaro::tools {
namespace {

using obs::VideoFormat;
using pipeline::ChromaLayout;
using pipeline::SamplePlane;

// Where the samples of one format lie: per plane of the picture (Y, Cb, Cr), the frame's plane
// it is in, its first byte there and the bytes from one sample to the next.
struct Layout {
  ChromaLayout chroma;
  std::int32_t bitDepth;  // 8: one byte a sample; otherwise two, little-endian
  std::int32_t shift;     // bits the code lies above the low end of its two bytes
  struct At {
    int plane;
    std::int32_t offset;
    std::int32_t stride;
  } at[3];
};

constexpr Layout kPlanar420{ChromaLayout::k420, 8, 0, {{0, 0, 1}, {1, 0, 1}, {2, 0, 1}}};
constexpr Layout kPlanar422{ChromaLayout::k422, 8, 0, {{0, 0, 1}, {1, 0, 1}, {2, 0, 1}}};
constexpr Layout kPlanar444{ChromaLayout::k444, 8, 0, {{0, 0, 1}, {1, 0, 1}, {2, 0, 1}}};

bool LayoutOf(VideoFormat format, Layout* layout) {
  switch (format) {
    case VideoFormat::kI420:
    case VideoFormat::kI40a:
      *layout = kPlanar420;
      return true;
    case VideoFormat::kI422:
    case VideoFormat::kI42a:
      *layout = kPlanar422;
      return true;
    case VideoFormat::kI444:
    case VideoFormat::kYuva:
      *layout = kPlanar444;
      return true;
    case VideoFormat::kNv12:
      *layout = {ChromaLayout::k420, 8, 0, {{0, 0, 1}, {1, 0, 2}, {1, 1, 2}}};
      return true;
    case VideoFormat::kYuy2:
      *layout = {ChromaLayout::k422, 8, 0, {{0, 0, 2}, {0, 1, 4}, {0, 3, 4}}};
      return true;
    case VideoFormat::kYvyu:
      *layout = {ChromaLayout::k422, 8, 0, {{0, 0, 2}, {0, 3, 4}, {0, 1, 4}}};
      return true;
    case VideoFormat::kUyvy:
      *layout = {ChromaLayout::k422, 8, 0, {{0, 1, 2}, {0, 0, 4}, {0, 2, 4}}};
      return true;
    case VideoFormat::kY800:
      *layout = {ChromaLayout::kMono, 8, 0, {{0, 0, 1}, {0, 0, 0}, {0, 0, 0}}};
      return true;
    case VideoFormat::kI010:
      *layout = {ChromaLayout::k420, 10, 0, {{0, 0, 2}, {1, 0, 2}, {2, 0, 2}}};
      return true;
    case VideoFormat::kP010:
      *layout = {ChromaLayout::k420, 10, 6, {{0, 0, 2}, {1, 0, 4}, {1, 2, 4}}};
      return true;
    case VideoFormat::kI210:
      *layout = {ChromaLayout::k422, 10, 0, {{0, 0, 2}, {1, 0, 2}, {2, 0, 2}}};
      return true;
    case VideoFormat::kI412:
    case VideoFormat::kYa2l:
      *layout = {ChromaLayout::k444, 12, 0, {{0, 0, 2}, {1, 0, 2}, {2, 0, 2}}};
      return true;
    default:
      return false;
  }
}

}  // namespace

bool PictureOfFrame(const obs::SourceFrame& frame, pipeline::Picture* picture) {
  if (frame.width > static_cast<std::uint32_t>(pipeline::kMaxPictureSide) ||
      frame.height > static_cast<std::uint32_t>(pipeline::kMaxPictureSide)) {
    return false;
  }
  const auto w = static_cast<std::int32_t>(frame.width);
  const auto h = static_cast<std::int32_t>(frame.height);
  const auto step = [&](int plane) { return static_cast<std::int64_t>(frame.linesize[plane]); };
  if (frame.format == VideoFormat::kRgba || frame.format == VideoFormat::kBgra ||
      frame.format == VideoFormat::kBgrx) {
    if (step(0) < std::int64_t{4} * w || step(0) > INT32_MAX) return false;
    const auto order = frame.format == VideoFormat::kRgba ? pipeline::ByteOrder::kRgba
                                                          : pipeline::ByteOrder::kBgra;
    const auto s = static_cast<std::int32_t>(step(0));
    *picture = pipeline::Picture::Rgba8(frame.data[0], s, frame.data[0], s, w, h, order);
    return true;
  }
  Layout layout{};
  if (!LayoutOf(frame.format, &layout)) return false;
  const bool wide = layout.bitDepth > 8;
  const pipeline::YuvFormat format{layout.chroma, layout.bitDepth, frame.fullRange, wide,
                                   layout.shift};
  SamplePlane planes[3] = {};
  const int count = layout.chroma == ChromaLayout::kMono ? 1 : 3;
  for (int p = 0; p < count; ++p) {
    const Layout::At& at = layout.at[p];
    if (frame.data[at.plane] == nullptr || step(at.plane) > INT32_MAX) return false;
    planes[p] = {frame.data[at.plane] + at.offset, static_cast<std::int32_t>(step(at.plane)),
                 at.stride};
  }
  const pipeline::Picture candidate = pipeline::Picture::YuvPlanes(planes, format, w, h);
  // Every row's last sample within the frame's row.
  for (int p = 0; p < count && w > 0; ++p) {
    const Layout::At& at = layout.at[p];
    const std::int64_t end =
        at.offset + std::int64_t{at.stride} * (candidate.PlaneWidth(p) - 1) + (wide ? 2 : 1);
    if (end > step(at.plane)) return false;
  }
  *picture = candidate;
  return true;
}

const char* FormatName(obs::VideoFormat format, char (&unknown)[24]) {
  static constexpr const char* kNames[] = {
      "none", "I420", "NV12", "YVYU", "YUY2", "UYVY", "RGBA", "BGRA", "BGRX", "Y800", "I444",
      "BGR3", "I422", "I40A", "I42A", "YUVA", "AYUV", "I010", "P010", "I210", "I412", "YA2L"};
  const auto n = static_cast<std::int32_t>(format);
  if (n >= 0 && n < static_cast<std::int32_t>(std::size(kNames))) return kNames[n];
  std::snprintf(unknown, sizeof unknown, "format %d", static_cast<int>(n));
  return unknown;
}

}  // namespace tessaro::tools
