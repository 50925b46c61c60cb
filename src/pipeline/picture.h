// What a host hands the filters: its own picture, described as it is stored, and what the
// filters made of it. The filters read the host's samples in their measure pass and write them
// in their map pass; no host converts a picture before or after.
#pragma once

#include <cstdint>

#include "pipeline/frame.h"

namespace tessaro::pipeline {

class FrameMemory;

// What a filter did with a picture.
enum class Outcome {
  kDone,       // the picture holds the result
  kUnchanged,  // left as it came, by design ("RGB mode" skipping a compressed frame)
  kFailed,     // refused (a description that cannot be safe) or out of memory; not written
};

// The samples a filter works on: Y, Cb and Cr of the editor's scale (Y 0..4096, chroma
// -2048..2048), or R, G and B on 0..4080.
enum class Space { kYc, kRgb };

// Which bytes of a four-byte pixel hold R, G and B; the fourth (alpha, or unused) passes
// through untouched.
enum class ByteOrder { kRgba, kBgra };

enum class ChromaLayout { k420, k422, k444, kMono };

// One plane of a YUV picture: sample x of row y lies at data + y * step + x * stride, one byte,
// or two little-endian bytes when the format is wide.
struct SamplePlane {
  std::uint8_t* data;
  std::int32_t step;
  std::int32_t stride;
};

// YUV codes of bitDepth bits (8..16), stored in one byte (8 bits only) or in two, `shift`
// bits up (P010 keeps its 10 bits in the top of 16); limited or full range as the host says.
struct YuvFormat {
  ChromaLayout chroma;
  std::int32_t bitDepth;
  bool fullRange;
  bool wide;
  std::int32_t shift;

  std::int32_t maxCode() const { return (1 << bitDepth) - 1; }
  // Pixels per chroma sample, across and down.
  std::int32_t chromaShiftX() const {
    return chroma == ChromaLayout::k420 || chroma == ChromaLayout::k422 ? 1 : 0;
  }
  std::int32_t chromaShiftY() const { return chroma == ChromaLayout::k420 ? 1 : 0; }
};

// The largest picture any host may hand over: 65536 a side, 2^26 pixels.
inline constexpr std::int32_t kMaxPictureSide = 1 << 16;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

struct Picture {
  enum class Kind { kYc, kRgba, kYuv };

  Kind kind = Kind::kYc;
  std::int32_t width = 0;
  std::int32_t height = 0;

  // kYc: the editor's frame, rewritten in place, and scratch of its layout.
  Buffers yc{};
  // kRgba: 8-bit four-byte pixels read from `src` and written to `dst`, which may be the same.
  struct Rgba {
    const std::uint8_t* src;
    std::int32_t srcStep;
    std::uint8_t* dst;
    std::int32_t dstStep;
    ByteOrder order;
  } rgba{};
  // kYuv: Y, Cb and Cr planes (Y alone for mono), rewritten in place.
  struct Yuv {
    SamplePlane plane[3];
    YuvFormat format;
  } yuv{};
  // Memory the host keeps for its stream's frames (frame_memory.h), which the passes take their
  // buffers from; null: the module's allocator, buffer by buffer.
  FrameMemory* memory = nullptr;

  static Picture Yc(const Buffers& buffers);
  static Picture Rgba8(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                       std::int32_t dstStep, std::int32_t width, std::int32_t height,
                       ByteOrder order);
  static Picture YuvPlanes(const SamplePlane planes[3], const YuvFormat& format, std::int32_t width,
                           std::int32_t height);

  std::int64_t pixels() const { return std::int64_t{width} * height; }
  // The size of plane p of a YUV picture.
  std::int32_t PlaneWidth(int p) const;
  std::int32_t PlaneHeight(int p) const;
};

// Whether a description can be worked on without reading or writing outside what it
// describes: pointers present, sizes within the limits, rows and samples of a plane that do
// not overlap, a known format. An empty picture (no pixels) is valid and changes nothing.
// Planes may interleave (NV12, YUY2) but must not share a sample: where they do, the result
// depends on the order of writes, though nothing outside the description is touched.
bool Describable(const Picture& picture);

}  // namespace tessaro::pipeline
