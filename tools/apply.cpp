#include "apply.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "filter_chain.h"
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
  for (const FilterStage& stage : chain.stages()) {
    std::fprintf(stderr, "tessaro: %s\n", stage.DescribeSettings().c_str());
  }
  std::fprintf(stderr, "tessaro: window refreshes requested: %d\n", HostSession::RefreshRequests());
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

Failure ApplyY4m(const CommandLine& line, FilterChain* chain) {
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
  Y4mFrame frame;
  YcImage image;
  Failure failure;
  while (reader.Next(&frame, &failure)) {
    Y4mFrameToYc(format, frame, &image);
    chain->Run(&image, line.rowPad);
    YcToY4mFrame(format, image, &frame);
    if ((failure = writer.WriteFrame(frame))) break;
    progress.Update(reader.framesRead());
  }
  progress.Finish();
  // Whatever stopped the loop, the frames written so far reach the output.
  if (Failure f = writer.Finish(); f && !failure) failure = f;
  if (outName != "-" && std::fclose(out.release()) != 0 && !failure) {
    failure = Fail(ExitStatus::kOutput, outName + ": cannot write: " + std::strerror(errno));
  }
  return failure;
}

Failure ApplyPng(const CommandLine& line, FilterChain* chain) {
  PngImage png;
  if (Failure f = ReadPng(line.operands[0], &png)) return f;
  if (!FrameFits(png.width, png.height, line.rowPad)) {
    return TooLarge(png.width, png.height, line.rowPad);
  }
  YcImage image;
  PngToYc(png, &image);
  chain->Run(&image, line.rowPad);
  YcToPng(image, &png);
  return WritePng(line.operands[1], png);
}

}  // namespace

Failure RunApply(const CommandLine& line, HostSession* session) {
  FilterChain chain;
  if (Failure f = FilterChain::Build(session, line.filters, &chain)) return f;
  if (line.showSettings) ShowSettings(chain);

  Failure failure;
  const Kind input = SniffInput(line.operands[0], &failure);
  if (failure) return failure;
  const Kind byName = KindByName(line.operands[1]);
  const Kind output = byName == Kind::kUnknown ? input : byName;
  if (output != input) {
    return Fail(ExitStatus::kUsage, "OUTPUT must be of the same kind as INPUT (" +
                                        std::string(input == Kind::kPng ? "PNG" : "Y4M") + ")");
  }
  return input == Kind::kPng ? ApplyPng(line, &chain) : ApplyY4m(line, &chain);
}

}  // namespace tessaro::tools
