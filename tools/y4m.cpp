#include "y4m.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

#include "yc_image.h"

namespace tessaro::tools {
namespace {

constexpr std::string_view kStreamMagic = "YUV4MPEG2";
constexpr std::string_view kFrameMagic = "FRAME";
// Longer header lines than this are taken for garbage rather than read to the end.
constexpr std::size_t kMaxLine = 4096;

bool ParsePositive(std::string_view text, std::int32_t* value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && *value > 0;
}

// "p10" -> 10; empty -> 8. Depths ffmpeg can write: 9 to 16.
bool ParseDepth(std::string_view suffix, int* depth) {
  if (suffix.empty()) {
    *depth = 8;
    return true;
  }
  std::int32_t d = 0;
  if (!ParsePositive(suffix, &d) || d < 9 || d > 16) return false;
  *depth = d;
  return true;
}

bool ParseColourSpace(std::string_view c, ChromaLayout* layout, int* depth) {
  if (c.substr(0, 4) == "mono") {
    *layout = ChromaLayout::kMono;
    return ParseDepth(c.substr(4), depth);
  }
  if (c == "420jpeg" || c == "420mpeg2" || c == "420paldv") {
    // Chroma siting differs; the host replicates and averages, so it does not matter.
    *layout = ChromaLayout::k420;
    *depth = 8;
    return true;
  }
  const std::string_view family = c.substr(0, 3);
  if (family == "420") {
    *layout = ChromaLayout::k420;
  } else if (family == "422") {
    *layout = ChromaLayout::k422;
  } else if (family == "444") {
    *layout = ChromaLayout::k444;
  } else {
    return false;
  }
  std::string_view rest = c.substr(3);
  if (rest.empty()) {
    *depth = 8;
    return true;
  }
  if (rest[0] != 'p') return false;
  return !rest.substr(1).empty() && ParseDepth(rest.substr(1), depth);
}

const char* LayoutName(ChromaLayout layout) {
  switch (layout) {
    case ChromaLayout::k420:
      return "4:2:0";
    case ChromaLayout::k422:
      return "4:2:2";
    case ChromaLayout::k444:
      return "4:4:4";
    case ChromaLayout::kMono:
      return "mono";
  }
  return "?";
}

enum class Line { kComplete, kCut, kTooLong };

// Reads up to and without the line feed; `line` holds what was read in every case.
Line ReadLine(std::FILE* file, std::string* line) {
  line->clear();
  for (;;) {
    const int c = std::getc(file);
    if (c == EOF) return Line::kCut;
    if (c == '\n') return Line::kComplete;
    if (line->size() >= kMaxLine) return Line::kTooLong;
    line->push_back(static_cast<char>(c));
  }
}

}  // namespace

std::int32_t Y4mFormat::ChromaWidth() const {
  switch (chroma) {
    case ChromaLayout::k420:
    case ChromaLayout::k422:
      return (width + 1) / 2;
    case ChromaLayout::k444:
      return width;
    case ChromaLayout::kMono:
      return 0;
  }
  return 0;
}

std::int32_t Y4mFormat::ChromaHeight() const {
  switch (chroma) {
    case ChromaLayout::k420:
      return (height + 1) / 2;
    case ChromaLayout::k422:
    case ChromaLayout::k444:
      return height;
    case ChromaLayout::kMono:
      return 0;
  }
  return 0;
}

std::size_t Y4mFormat::PlaneSamples(int plane) const {
  if (plane == 0) return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  return static_cast<std::size_t>(ChromaWidth()) * static_cast<std::size_t>(ChromaHeight());
}

std::size_t Y4mFormat::PlaneOffset(int plane) const {
  std::size_t samples = 0;
  for (int p = 0; p < plane && p < PlaneCount(); ++p) samples += PlaneSamples(p);
  return samples * static_cast<std::size_t>(SampleBytes());
}

std::size_t Y4mFormat::FrameBytes() const {
  return PlaneOffset(PlaneCount());
}

std::uint32_t Y4mFrame::Code(const Y4mFormat& format, int p, std::size_t i) const {
  const std::uint8_t* s = bytes.data() + format.PlaneOffset(p) + i * format.SampleBytes();
  return format.bitDepth > 8 ? static_cast<std::uint32_t>(s[0] | (s[1] << 8)) : s[0];
}

void Y4mFrame::SetCode(const Y4mFormat& format, int p, std::size_t i, std::uint32_t code) {
  std::uint8_t* s = bytes.data() + format.PlaneOffset(p) + i * format.SampleBytes();
  s[0] = static_cast<std::uint8_t>(code);
  if (format.bitDepth > 8) s[1] = static_cast<std::uint8_t>(code >> 8);
}

namespace {

// Plane p's rows, of `rowBytes` each, in frame order.
struct PlaneRows {
  std::int32_t rows;
  std::size_t rowBytes;
};
PlaneRows RowsOf(const Y4mFormat& f, int p) {
  const std::int32_t w = p == 0 ? f.width : f.ChromaWidth();
  return {p == 0 ? f.height : f.ChromaHeight(), static_cast<std::size_t>(w) * f.SampleBytes()};
}

}  // namespace

pipeline::Picture PictureOf(const Y4mFormat& format, Y4mFrame* frame, std::int32_t rowPad) {
  const std::int32_t b = format.SampleBytes();
  pipeline::SamplePlane planes[3] = {};
  std::uint8_t* at = frame->bytes.data();
  for (int p = 0; p < format.PlaneCount(); ++p) {
    const PlaneRows r = RowsOf(format, p);
    const std::int32_t step = static_cast<std::int32_t>(r.rowBytes) + b * rowPad;
    planes[p] = {at, step, b};
    at += static_cast<std::size_t>(step) * static_cast<std::size_t>(r.rows);
  }
  const pipeline::YuvFormat f{format.chroma, format.bitDepth, format.fullRange, b == 2, 0};
  return pipeline::Picture::YuvPlanes(planes, f, format.width, format.height);
}

void PadRows(const Y4mFormat& format, const Y4mFrame& frame, std::int32_t rowPad,
             std::vector<std::uint8_t>* padded) {
  const std::size_t pad = static_cast<std::size_t>(rowPad) * format.SampleBytes();
  std::size_t total = 0;
  for (int p = 0; p < format.PlaneCount(); ++p) {
    const PlaneRows r = RowsOf(format, p);
    total += (r.rowBytes + pad) * static_cast<std::size_t>(r.rows);
  }
  padded->assign(total, 0xA7);
  const std::uint8_t* in = frame.bytes.data();
  std::uint8_t* out = padded->data();
  for (int p = 0; p < format.PlaneCount(); ++p) {
    const PlaneRows r = RowsOf(format, p);
    for (std::int32_t y = 0; y < r.rows; ++y, in += r.rowBytes, out += r.rowBytes + pad) {
      std::copy_n(in, r.rowBytes, out);
    }
  }
}

void UnpadRows(const Y4mFormat& format, const std::vector<std::uint8_t>& padded,
               std::int32_t rowPad, Y4mFrame* frame) {
  const std::size_t pad = static_cast<std::size_t>(rowPad) * format.SampleBytes();
  frame->bytes.resize(format.FrameBytes());
  const std::uint8_t* in = padded.data();
  std::uint8_t* out = frame->bytes.data();
  for (int p = 0; p < format.PlaneCount(); ++p) {
    const PlaneRows r = RowsOf(format, p);
    for (std::int32_t y = 0; y < r.rows; ++y, in += r.rowBytes + pad, out += r.rowBytes) {
      std::copy_n(in, r.rowBytes, out);
    }
  }
}

bool Y4mFormat::SameFrames(const Y4mFormat& other) const {
  return width == other.width && height == other.height && chroma == other.chroma &&
         bitDepth == other.bitDepth && fullRange == other.fullRange;
}

std::string Y4mFormat::Describe() const {
  return std::to_string(width) + "x" + std::to_string(height) + " " + LayoutName(chroma) + " " +
         std::to_string(bitDepth) + "-bit " + (fullRange ? "full" : "limited") + " range";
}

Failure ParseY4mHeader(const std::string& line, Y4mFormat* format) {
  const std::string_view text(line);
  if (text.substr(0, kStreamMagic.size()) != kStreamMagic ||
      (text.size() > kStreamMagic.size() && text[kStreamMagic.size()] != ' ')) {
    return Fail(ExitStatus::kBadInput, "not a Y4M stream (no YUV4MPEG2 header)");
  }
  Y4mFormat f;
  f.header = line;
  std::string colourSpace = "420jpeg";  // the format's default
  std::size_t pos = kStreamMagic.size();
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find(' ', pos + 1), text.size());
    const std::string_view token = text.substr(pos + 1, end - pos - 1);
    pos = end;
    if (token.empty()) continue;
    const std::string_view value = token.substr(1);
    switch (token[0]) {
      case 'W':
        if (!ParsePositive(value, &f.width)) {
          return Fail(ExitStatus::kBadInput,
                      "malformed header: width '" + std::string(value) + "'");
        }
        break;
      case 'H':
        if (!ParsePositive(value, &f.height)) {
          return Fail(ExitStatus::kBadInput,
                      "malformed header: height '" + std::string(value) + "'");
        }
        break;
      case 'C':
        colourSpace = std::string(value);
        break;
      case 'X':
        if (value == "COLORRANGE=FULL") f.fullRange = true;
        if (value == "COLORRANGE=LIMITED") f.fullRange = false;
        break;
      default:  // frame rate, interlacing, aspect: passed through untouched
        break;
    }
  }
  if (f.width == 0 || f.height == 0) {
    return Fail(ExitStatus::kBadInput, "malformed header: no width or no height");
  }
  if (!ParseColourSpace(colourSpace, &f.chroma, &f.bitDepth)) {
    return Fail(ExitStatus::kUnsupported,
                "unsupported colour space C" + colourSpace +
                    " (supported: 420jpeg, 420mpeg2, 420paldv, 420, 422, 444, mono, their p9 to "
                    "p16 forms and mono9 to mono16)");
  }
  if (f.width > kMaxSide || f.height > kMaxSide || std::int64_t{f.width} * f.height > kMaxPixels) {
    return Fail(ExitStatus::kUnsupported, "frame size " + std::to_string(f.width) + "x" +
                                              std::to_string(f.height) + " is too large");
  }
  *format = std::move(f);
  return {};
}

Failure Y4mReader::Problem(std::int64_t frameNumber, const std::string& what) const {
  return Fail(ExitStatus::kBadInput,
              name_ + ": frame " + std::to_string(frameNumber) + ": " + what);
}

Failure Y4mReader::ReadHeader() {
  std::string line;
  const Line got = ReadLine(file_, &line);
  if (std::ferror(file_)) {
    return Fail(ExitStatus::kBadInput, name_ + ": cannot read: " + std::strerror(errno));
  }
  if (got == Line::kTooLong) {
    return Fail(ExitStatus::kBadInput,
                name_ + ": stream header longer than " + std::to_string(kMaxLine) + " bytes");
  }
  if (got == Line::kCut && line.substr(0, kStreamMagic.size()) == kStreamMagic) {
    return Fail(ExitStatus::kBadInput, name_ + ": truncated stream header");
  }
  if (Failure f = ParseY4mHeader(line, &format_)) {
    f.message = name_ + ": " + f.message;
    return f;
  }
  bool unused = false;
  pending_ = ReadMarker(&pendingParams_, &pendingFailure_, &unused);
  return {};
}

Y4mReader::Marker Y4mReader::ReadMarker(std::string* params, Failure* failure,
                                        bool* blamesLastFrame) {
  *blamesLastFrame = false;
  const std::int64_t next = framesRead_ + 1;
  for (;;) {
    std::string line;
    const Line got = ReadLine(file_, &line);
    if (std::ferror(file_)) {
      *failure = Problem(next, std::string("cannot read: ") + std::strerror(errno));
      return Marker::kBroken;
    }
    if (got == Line::kCut && line.empty()) return Marker::kEnd;
    const std::string_view text(line);
    // An overlong line is garbage, whatever it starts with.
    const bool fits = got != Line::kTooLong;
    const bool isFrame = fits && text.substr(0, kFrameMagic.size()) == kFrameMagic &&
                         (text.size() == kFrameMagic.size() || text[kFrameMagic.size()] == ' ');
    const bool isStream = fits && text.substr(0, kStreamMagic.size()) == kStreamMagic;
    const bool prefixOfMagic =
        kFrameMagic.substr(0, text.size()) == text || kStreamMagic.substr(0, text.size()) == text;
    if (got == Line::kCut && (isFrame || isStream || prefixOfMagic)) {
      *failure = Problem(next, "truncated frame header");
      return Marker::kBroken;
    }
    if (isFrame) {
      params->assign(line, kFrameMagic.size());
      // A frame header may not declare a size of its own.
      for (std::size_t pos = 0; pos < params->size();) {
        const std::size_t end = std::min(params->find(' ', pos + 1), params->size());
        const std::string token = params->substr(pos + 1, end - pos - 1);
        pos = end;
        std::int32_t v = 0;
        if (!token.empty() && (token[0] == 'W' || token[0] == 'H') &&
            (!ParsePositive(std::string_view(token).substr(1), &v) ||
             v != (token[0] == 'W' ? format_.width : format_.height))) {
          *failure = Problem(next, "frame header declares another size (" + token + ")");
          return Marker::kBroken;
        }
      }
      return Marker::kFrame;
    }
    if (isStream) {
      // Concatenated streams are fine as long as the frames stay the same.
      Y4mFormat again;
      if (Failure f = ParseY4mHeader(line, &again)) {
        *failure = Problem(next, f.message);
        failure->status = f.status;
        return Marker::kBroken;
      }
      if (!again.SameFrames(format_)) {
        *failure =
            Problem(next, "the stream changes to frames of another size or kind (" +
                              again.Describe() + ", it began as " + format_.Describe() + ")");
        return Marker::kBroken;
      }
      continue;
    }
    if (framesRead_ == 0) {
      *failure = Problem(1, "no FRAME header after the stream header");
      return Marker::kBroken;
    }
    // Neither a frame nor the end: the data before was not one frame long.
    *failure =
        Problem(framesRead_, "data does not match the frame size of the header (" +
                                 format_.Describe() + ", " + std::to_string(format_.FrameBytes()) +
                                 " bytes a frame): no FRAME header follows it");
    *blamesLastFrame = true;
    return Marker::kBroken;
  }
}

bool Y4mReader::Next(Y4mFrame* frame, Failure* failure) {
  if (pending_ == Marker::kEnd) return false;
  if (pending_ == Marker::kBroken) {
    *failure = pendingFailure_;
    return false;
  }
  const std::int64_t number = framesRead_ + 1;
  std::vector<std::uint8_t>& bytes = frame->bytes;
  bytes.resize(format_.FrameBytes());
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file_);
  if (got != bytes.size()) {
    *failure = std::ferror(file_)
                   ? Problem(number, std::string("cannot read: ") + std::strerror(errno))
                   : Problem(number, "truncated: " + std::to_string(got) + " of " +
                                         std::to_string(bytes.size()) + " bytes");
    pending_ = Marker::kBroken;
    pendingFailure_ = *failure;
    return false;
  }
  frame->params = pendingParams_;
  // framesRead_ counts this frame only once the marker after it checks out.
  ++framesRead_;
  bool thisFrameBad = false;
  pending_ = ReadMarker(&pendingParams_, &pendingFailure_, &thisFrameBad);
  if (thisFrameBad) {
    --framesRead_;
    *failure = pendingFailure_;
    return false;
  }
  return true;
}

Failure Y4mWriter::Broken() const {
  return Fail(ExitStatus::kOutput, name_ + ": cannot write: " + std::strerror(errno));
}

Failure Y4mWriter::WriteHeader(const Y4mFormat& format) {
  format_ = format;
  const std::string line = format.header + "\n";
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) return Broken();
  return {};
}

Failure Y4mWriter::WriteFrame(const Y4mFrame& frame) {
  const std::string marker = std::string(kFrameMagic) + frame.params + "\n";
  if (frame.bytes.size() != format_.FrameBytes() ||
      std::fwrite(marker.data(), 1, marker.size(), file_) != marker.size() ||
      std::fwrite(frame.bytes.data(), 1, frame.bytes.size(), file_) != frame.bytes.size()) {
    return Broken();
  }
  return {};
}

Failure Y4mWriter::Finish() {
  if (std::fflush(file_) != 0 || std::ferror(file_)) return Broken();
  return {};
}

}  // namespace tessaro::tools
