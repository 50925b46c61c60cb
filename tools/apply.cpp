#include "apply.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "filter_chain.h"
#include "frame_buffers.h"
#include "look_ahead.h"
#include "platform_io.h"
#include "png_io.h"
#include "progress.h"
#include "y4m.h"
#include "yc_convert.h"

namespace tessaro::tools {
namespace {

enum class Kind { kY4m, kPng, kUnknown };

bool EndsWith(std::string name, const std::string& suffix) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name.size() >= suffix.size() &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

Kind KindByName(const std::string& name) {
  if (name == "-" || EndsWith(name, ".y4m")) return Kind::kY4m;
  if (EndsWith(name, ".png")) return Kind::kPng;
  return Kind::kUnknown;
}

// The content decides; the name only when the file is too short to tell.
Kind SniffInput(const std::string& path, Failure* failure) {
  if (path == "-") return Kind::kY4m;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *failure = Fail(ExitStatus::kBadInput, path + ": cannot open: " + std::strerror(errno));
    return Kind::kUnknown;
  }
  char head[9] = {};
  const std::size_t n = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  if (n >= 4 && std::memcmp(head, "\x89PNG", 4) == 0) return Kind::kPng;
  if (n == 9 && std::memcmp(head, "YUV4MPEG2", 9) == 0) return Kind::kY4m;
  const Kind byName = KindByName(path);
  if (byName == Kind::kUnknown) {
    *failure = Fail(ExitStatus::kBadInput, path + ": neither a Y4M stream nor a PNG picture");
  }
  return byName;
}

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

int CloseNothing(std::FILE*) {
  return 0;
}

FilePtr OpenStream(const std::string& path, bool output) {
  if (path == "-") return FilePtr(output ? stdout : stdin, CloseNothing);
  return FilePtr(std::fopen(path.c_str(), output ? "wb" : "rb"), std::fclose);
}

void ShowSettings(const FilterChain& chain) {
  for (const auto& stage : chain.stages()) {
    std::fprintf(stderr, "tessaro: %s\n", stage->DescribeSettings().c_str());
  }
  std::fprintf(stderr, "tessaro: window refreshes requested: %d\n", FilterStage::RefreshRequests());
}

// The frame count a Y4M file holds if every frame header is a bare "FRAME".
std::int64_t EstimateFrames(const std::string& path, const Y4mFormat& format) {
  const std::int64_t size = RegularFileSize(path);
  const std::int64_t perFrame = static_cast<std::int64_t>(format.FrameBytes()) + 6;
  const std::int64_t body = size - static_cast<std::int64_t>(format.header.size()) - 1;
  if (size < 0 || body <= 0 || body % perFrame != 0) return 0;
  return body / perFrame;
}

Failure TooLarge(std::int32_t w, std::int32_t h, std::int32_t pad) {
  return Fail(ExitStatus::kUnsupported, "frames of " + std::to_string(w) + "x" + std::to_string(h) +
                                            " with rows padded by " + std::to_string(pad) +
                                            " are too large");
}

// --timing: how long each frame spent in the host's own work around the read and the write
// (conversions, the filters), and the median of it, on standard error.
class FrameTimes {
 public:
  explicit FrameTimes(bool on) : on_(on) {}
  template <typename Work>
  auto Time(Work work) {
    const auto start = std::chrono::steady_clock::now();
    auto result = work();
    if (on_) {
      times_.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count());
    }
    return result;
  }
  void Report() {
    if (!on_ || times_.empty()) return;
    std::sort(times_.begin(), times_.end());
    const std::size_t n = times_.size();
    std::fprintf(stderr, "tessaro: %zu frame%s, %.3f ms a frame in the filters (median)\n", n,
                 n == 1 ? "" : "s", 0.5 * (times_[(n - 1) / 2] + times_[n / 2]));
  }

 private:
  bool on_;
  std::vector<double> times_;
};

// Whatever stopped the stream, the frames written so far reach the output.
Failure FinishY4m(Failure failure, const CommandLine& line, Y4mWriter* writer, FilePtr* out,
                  Progress* progress) {
  progress->Finish();
  const std::string& outName = line.operands[1];
  if (Failure f = writer->Finish(); f && !failure) failure = f;
  if (outName != "-" && std::fclose(out->release()) != 0 && !failure) {
    failure = Fail(ExitStatus::kOutput, outName + ": cannot write: " + std::strerror(errno));
  }
  return failure;
}

// --smooth: each stage holds frames until it has measured the frames after them.
Failure ApplyY4mSmoothed(const CommandLine& line, FilterChain* chain, Y4mReader* reader,
                         Y4mWriter* writer, Progress* progress) {
  const Y4mFormat& format = reader->format();
  LookAhead lookAhead(chain, line.smoothRadius, line.sceneCut);
  FrameTimes times(line.timing);
  std::vector<std::unique_ptr<HeldFrame>> ready;
  std::vector<std::unique_ptr<HeldFrame>> spare;  // buffers of frames written, for reuse
  auto writeReady = [&]() -> Failure {
    for (std::unique_ptr<HeldFrame>& held : ready) {
      if (line.rowPad > 0) {
        Y4mFrame unpadded;
        unpadded.params = held->frame.params;
        UnpadRows(format, held->frame.bytes, line.rowPad, &unpadded);
        if (Failure f = writer->WriteFrame(unpadded)) return f;
      } else if (Failure f = writer->WriteFrame(held->frame)) {
        return f;
      }
      spare.push_back(std::move(held));
    }
    ready.clear();
    return {};
  };
  Failure failure;
  Y4mFrame frame;
  while (reader->Next(&frame, &failure)) {
    std::unique_ptr<HeldFrame> held;
    if (spare.empty()) {
      held = std::make_unique<HeldFrame>();
    } else {
      held = std::move(spare.back());
      spare.pop_back();
    }
    held->number = reader->framesRead();
    held->frame.params = frame.params;
    if (line.rowPad > 0) {
      PadRows(format, frame, line.rowPad, &held->frame.bytes);
    } else {
      held->frame.bytes.swap(frame.bytes);
    }
    held->picture = PictureOf(format, &held->frame, line.rowPad);
    if ((failure = times.Time([&] { return lookAhead.Push(std::move(held), &ready); }))) break;
    if ((failure = writeReady())) break;
    progress->Update(reader->framesRead());
  }
  if (!failure) {
    if (!(failure = times.Time([&] { return lookAhead.Finish(&ready); }))) failure = writeReady();
  }
  times.Report();
  return failure;
}

Failure ApplyY4m(const CommandLine& line, HostSession* session, FilterChain* chain) {
  const std::string& inName = line.operands[0];
  const std::string& outName = line.operands[1];
  FilePtr in = OpenStream(inName, false);
  if (!in) return Fail(ExitStatus::kBadInput, inName + ": cannot open: " + std::strerror(errno));
  Y4mReader reader(in.get(), inName == "-" ? "standard input" : inName);
  if (Failure f = reader.ReadHeader()) return f;
  const Y4mFormat& format = reader.format();
  if (!FrameFits(format.width, format.height, line.rowPad)) {
    return TooLarge(format.width, format.height, line.rowPad);
  }
  FilePtr out = OpenStream(outName, true);
  if (!out) return Fail(ExitStatus::kOutput, outName + ": cannot create: " + std::strerror(errno));
  Y4mWriter writer(out.get(), outName == "-" ? "standard output" : outName);
  if (Failure f = writer.WriteHeader(format)) return f;

  Progress progress(!line.quiet && StandardErrorIsTerminal(), EstimateFrames(inName, format));
  if (line.smoothRadius > 0 && !chain->stages().empty()) {
    return FinishY4m(ApplyY4mSmoothed(line, chain, &reader, &writer, &progress), line, &writer,
                     &out, &progress);
  }
  Y4mFrame frame;
  YcImage image;
  std::vector<std::uint8_t> padded;
  Failure failure;
  FrameTimes times(line.timing);
  while (reader.Next(&frame, &failure)) {
    const char* failed = times.Time([&]() -> const char* {
      if (chain->stages().empty()) return nullptr;  // passed through as read
      if (session->usesModule()) {
        // A module takes the editor's frames.
        Y4mFrameToYc(format, frame, &image);
        const char* f = chain->Run(&image, line.rowPad);
        YcToY4mFrame(format, image, &frame);
        return f;
      }
      if (line.rowPad > 0) {
        PadRows(format, frame, line.rowPad, &padded);
        Y4mFrame paddedFrame;
        paddedFrame.bytes.swap(padded);
        const char* f = chain->Run(PictureOf(format, &paddedFrame, line.rowPad));
        UnpadRows(format, paddedFrame.bytes, line.rowPad, &frame);
        padded.swap(paddedFrame.bytes);
        return f;
      }
      // The filters work on the frame as read.
      return chain->Run(PictureOf(format, &frame));
    });
    if (failed != nullptr) {
      failure = Unprocessed(failed, reader.framesRead());
      break;
    }
    if ((failure = writer.WriteFrame(frame))) break;
    progress.Update(reader.framesRead());
  }
  times.Report();
  return FinishY4m(failure, line, &writer, &out, &progress);
}

// The picture in the form the filters take, rows `rowPad` pixels longer than the picture:
// 8-bit colour as four-byte pixels (alpha 255 where the picture has none), grey as a luma
// plane of full-range codes. False for 16-bit colour, which goes to the filters as the
// editor's frame.
struct PngPicture {
  std::vector<std::uint8_t> rgba;
  std::vector<std::uint16_t> grey;
  std::int32_t step = 0;
  pipeline::Picture picture;
};

bool ToPicture(const PngImage& png, std::int32_t rowPad, PngPicture* p) {
  const std::size_t w = static_cast<std::size_t>(png.width), pad = static_cast<std::size_t>(rowPad);
  const std::size_t n = static_cast<std::size_t>(png.channels);
  const std::size_t rows = static_cast<std::size_t>(png.height);
  if (png.ColourChannels() == 1) {
    p->grey.assign((w + pad) * rows, 0);
    for (std::size_t y = 0; y < rows; ++y) {
      for (std::size_t x = 0; x < w; ++x) p->grey[y * (w + pad) + x] = png.samples[(y * w + x) * n];
    }
    p->step = static_cast<std::int32_t>(2 * (w + pad));
    const pipeline::SamplePlane planes[3] = {
        {reinterpret_cast<std::uint8_t*>(p->grey.data()), p->step, 2}, {}, {}};
    p->picture = pipeline::Picture::YuvPlanes(
        planes, {pipeline::ChromaLayout::kMono, png.bitDepth, true, true, 0}, png.width,
        png.height);
    return true;
  }
  if (png.bitDepth != 8) return false;
  p->step = static_cast<std::int32_t>(4 * (w + pad));
  p->rgba.assign(static_cast<std::size_t>(p->step) * rows, 0);
  for (std::size_t y = 0; y < rows; ++y) {
    std::uint8_t* out = p->rgba.data() + y * static_cast<std::size_t>(p->step);
    const std::uint16_t* in = png.samples.data() + y * w * n;
    for (std::size_t x = 0; x < w; ++x, in += n, out += 4) {
      out[0] = static_cast<std::uint8_t>(in[0]);
      out[1] = static_cast<std::uint8_t>(in[1]);
      out[2] = static_cast<std::uint8_t>(in[2]);
      out[3] = n == 4 ? static_cast<std::uint8_t>(in[3]) : 255;
    }
  }
  p->picture = pipeline::Picture::Rgba8(p->rgba.data(), p->step, p->rgba.data(), p->step, png.width,
                                        png.height, pipeline::ByteOrder::kRgba);
  return true;
}

// The colour (or grey) samples back; alpha was never changed.
void FromPicture(const PngPicture& p, PngImage* png) {
  const std::size_t w = static_cast<std::size_t>(png->width);
  const std::size_t n = static_cast<std::size_t>(png->channels);
  for (std::size_t y = 0; y < static_cast<std::size_t>(png->height); ++y) {
    std::uint16_t* out = png->samples.data() + y * w * n;
    if (png->ColourChannels() == 1) {
      const std::uint16_t* in = p.grey.data() + y * static_cast<std::size_t>(p.step / 2);
      for (std::size_t x = 0; x < w; ++x) out[x * n] = in[x];
      continue;
    }
    const std::uint8_t* in = p.rgba.data() + y * static_cast<std::size_t>(p.step);
    for (std::size_t x = 0; x < w; ++x, in += 4, out += n) {
      for (int c = 0; c < 3; ++c) out[c] = in[c];
    }
  }
}

Failure ApplyPng(const CommandLine& line, HostSession* session, FilterChain* chain) {
  PngImage png;
  if (Failure f = ReadPng(line.operands[0], &png)) return f;
  if (!FrameFits(png.width, png.height, line.rowPad)) {
    return TooLarge(png.width, png.height, line.rowPad);
  }
  FrameTimes times(line.timing);
  const char* failed = times.Time([&]() -> const char* {
    PngPicture picture;
    if (!session->usesModule() && ToPicture(png, line.rowPad, &picture)) {
      const char* f = chain->Run(picture.picture);
      FromPicture(picture, &png);
      return f;
    }
    // The editor's frame: for a module, and for 16-bit colour.
    YcImage image;
    PngToYc(png, &image);
    const char* f = chain->Run(&image, line.rowPad);
    YcToPng(image, &png);
    return f;
  });
  times.Report();
  if (failed != nullptr) return Unprocessed(failed, 1);
  return WritePng(line.operands[1], png);
}

}  // namespace

Failure RunApply(const CommandLine& line, HostSession* session) {
  FilterChain chain;
  if (Failure f = FilterChain::Build(session, line.filters, &chain)) return f;
  if (line.showSettings) ShowSettings(chain);

  if (line.smoothRadius > 0 && session->usesModule()) {
    return Fail(ExitStatus::kUsage, "--smooth needs the filters built in, not --module");
  }
  Failure failure;
  const Kind input = SniffInput(line.operands[0], &failure);
  if (failure) return failure;
  const Kind byName = KindByName(line.operands[1]);
  const Kind output = byName == Kind::kUnknown ? input : byName;
  if (output != input) {
    return Fail(ExitStatus::kUsage, "OUTPUT must be of the same kind as INPUT (" +
                                        std::string(input == Kind::kPng ? "PNG" : "Y4M") + ")");
  }
  return input == Kind::kPng ? ApplyPng(line, session, &chain) : ApplyY4m(line, session, &chain);
}

}  // namespace tessaro::tools
