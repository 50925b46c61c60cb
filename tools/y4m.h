// Y4M streams as ffmpeg reads and writes them: 8-bit 4:2:0, 4:2:2, 4:4:4 and mono, and the
// 9- to 16-bit forms (p10, p12, p16, mono16 ...) with little-endian samples.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "failure.h"
#include "pipeline/picture.h"

namespace tessaro::tools {

using pipeline::ChromaLayout;

struct Y4mFormat {
  std::int32_t width = 0;
  std::int32_t height = 0;
  ChromaLayout chroma = ChromaLayout::k420;
  int bitDepth = 8;
  bool fullRange = false;  // XCOLORRANGE=FULL; limited range otherwise
  std::string header;      // the stream header line as read, written back unchanged

  std::int32_t ChromaWidth() const;
  std::int32_t ChromaHeight() const;
  int PlaneCount() const { return chroma == ChromaLayout::kMono ? 1 : 3; }
  std::size_t PlaneSamples(int plane) const;
  std::size_t PlaneOffset(int plane) const;  // in bytes, from the frame's start
  int SampleBytes() const { return bitDepth > 8 ? 2 : 1; }
  std::size_t FrameBytes() const;
  bool SameFrames(const Y4mFormat& other) const;
  std::string Describe() const;  // e.g. "320x240 4:2:0 10-bit limited range"
};

// Parses a stream header line (without its line feed).
Failure ParseY4mHeader(const std::string& line, Y4mFormat* format);

// A frame as stored: the planes one after another, samples of one byte, or two
// little-endian bytes above 8 bits.
struct Y4mFrame {
  std::string params;  // whatever followed "FRAME", kept for the output
  std::vector<std::uint8_t> bytes;

  // Sample i of plane p, and its writing.
  std::uint32_t Code(const Y4mFormat& format, int p, std::size_t i) const;
  void SetCode(const Y4mFormat& format, int p, std::size_t i, std::uint32_t code);
};

// The frame's planes as the filters take them, in place; rows `rowPad` samples longer than
// the picture when the frame is laid out so (PadRows).
pipeline::Picture PictureOf(const Y4mFormat& format, Y4mFrame* frame, std::int32_t rowPad = 0);
// The frame with rowPad samples of junk after every row of every plane, and back.
void PadRows(const Y4mFormat& format, const Y4mFrame& frame, std::int32_t rowPad,
             std::vector<std::uint8_t>* padded);
void UnpadRows(const Y4mFormat& format, const std::vector<std::uint8_t>& padded,
               std::int32_t rowPad, Y4mFrame* frame);

class Y4mReader {
 public:
  Y4mReader(std::FILE* file, std::string name) : file_(file), name_(std::move(name)) {}

  Failure ReadHeader();
  const Y4mFormat& format() const { return format_; }

  // Fills the next frame; false at the clean end of the stream or on a failure. A frame is
  // handed out only once the header of the frame after it (or the end) has been seen, so
  // a frame whose data is longer or shorter than the header says is never passed on.
  bool Next(Y4mFrame* frame, Failure* failure);
  std::int64_t framesRead() const { return framesRead_; }

 private:
  enum class Marker { kFrame, kEnd, kBroken };
  Marker ReadMarker(std::string* params, Failure* failure, bool* blamesLastFrame);
  Failure Problem(std::int64_t frameNumber, const std::string& what) const;

  std::FILE* file_;
  std::string name_;
  Y4mFormat format_;
  Marker pending_ = Marker::kEnd;
  std::string pendingParams_;
  Failure pendingFailure_;
  std::int64_t framesRead_ = 0;
};

class Y4mWriter {
 public:
  Y4mWriter(std::FILE* file, std::string name) : file_(file), name_(std::move(name)) {}
  Failure WriteHeader(const Y4mFormat& format);
  Failure WriteFrame(const Y4mFrame& frame);
  Failure Finish();  // flushes; a stream that cannot be flushed is a failure

 private:
  Failure Broken() const;

  std::FILE* file_;
  std::string name_;
  Y4mFormat format_;
};

}  // namespace tessaro::tools
