#include "y4m.h"

#include <gtest/gtest.h>

#include <memory>

#include "temp_files.h"

namespace tessaro::tools {
namespace {

using testing::StreamOf;

struct HeaderCase {
  const char* line;
  ExitStatus status;
  std::int32_t width = 0, height = 0;
  ChromaLayout chroma = ChromaLayout::k420;
  int depth = 8;
  bool full = false;
};

TEST(Y4mHeader, ParsesWhatFfmpegWritesAndRefusesTheRest) {
  const HeaderCase cases[] = {
      {"YUV4MPEG2 W8 H6 F25:1 Ip A1:1 C420jpeg XYSCSS=420JPEG", ExitStatus::kOk, 8, 6,
       ChromaLayout::k420, 8, false},
      {"YUV4MPEG2 W7 H5", ExitStatus::kOk, 7, 5, ChromaLayout::k420, 8, false},
      {"YUV4MPEG2 W8 H6 C422 XYSCSS=422 XCOLORRANGE=FULL", ExitStatus::kOk, 8, 6,
       ChromaLayout::k422, 8, true},
      {"YUV4MPEG2 W8 H6 C444p16 XYSCSS=444P16 XCOLORRANGE=LIMITED", ExitStatus::kOk, 8, 6,
       ChromaLayout::k444, 16, false},
      {"YUV4MPEG2 W8 H6 C420p10", ExitStatus::kOk, 8, 6, ChromaLayout::k420, 10, false},
      {"YUV4MPEG2 W8 H6 Cmono", ExitStatus::kOk, 8, 6, ChromaLayout::kMono, 8, false},
      {"YUV4MPEG2 W8 H6 Cmono12 XCOLORRANGE=FULL", ExitStatus::kOk, 8, 6, ChromaLayout::kMono, 12,
       true},
      {"YUV4MPEG W8 H6", ExitStatus::kBadInput},
      {"YUV4MPEG2X W8 H6", ExitStatus::kBadInput},
      {"YUV4MPEG2 W0 H6", ExitStatus::kBadInput},
      {"YUV4MPEG2 W8 H6x", ExitStatus::kBadInput},
      {"YUV4MPEG2 W-8 H6", ExitStatus::kBadInput},
      {"YUV4MPEG2 H6", ExitStatus::kBadInput},
      {"YUV4MPEG2 W8 H6 C411", ExitStatus::kUnsupported},
      {"YUV4MPEG2 W8 H6 C444alpha", ExitStatus::kUnsupported},
      {"YUV4MPEG2 W8 H6 C420p8", ExitStatus::kUnsupported},
      {"YUV4MPEG2 W8 H6 C444p17", ExitStatus::kUnsupported},
      {"YUV4MPEG2 W70000 H2", ExitStatus::kUnsupported},
      {"YUV4MPEG2 W20000 H20000", ExitStatus::kUnsupported},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.line);
    Y4mFormat f;
    const Failure failure = ParseY4mHeader(c.line, &f);
    ASSERT_EQ(failure.status, c.status) << failure.message;
    if (failure) continue;
    EXPECT_EQ(f.width, c.width);
    EXPECT_EQ(f.height, c.height);
    EXPECT_EQ(f.chroma, c.chroma);
    EXPECT_EQ(f.bitDepth, c.depth);
    EXPECT_EQ(f.fullRange, c.full);
    EXPECT_EQ(f.header, c.line);
  }
}

// Frames of a 5x3 stream whose samples are all different.
Y4mFrame MakeFrame(const Y4mFormat& format, int seed, const std::string& params = "") {
  Y4mFrame frame;
  frame.params = params;
  const int maxCode = (1 << format.bitDepth) - 1;
  frame.bytes.resize(format.FrameBytes());
  for (int p = 0; p < format.PlaneCount(); ++p) {
    for (std::size_t i = 0; i < format.PlaneSamples(p); ++i) {
      frame.SetCode(format, p, i,
                    static_cast<std::uint32_t>((seed * 7919 + p * 131 + i * 977) % (maxCode + 1)));
    }
  }
  return frame;
}

std::string Encode(const Y4mFormat& format, const std::vector<Y4mFrame>& frames) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::tmpfile(), std::fclose);
  Y4mWriter writer(f.get(), "out");
  EXPECT_FALSE(writer.WriteHeader(format));
  for (const Y4mFrame& frame : frames) EXPECT_FALSE(writer.WriteFrame(frame));
  EXPECT_FALSE(writer.Finish());
  std::string bytes(static_cast<std::size_t>(std::ftell(f.get())), '\0');
  std::rewind(f.get());
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f.get()), bytes.size());
  return bytes;
}

Y4mFormat Format(const std::string& line) {
  Y4mFormat f;
  EXPECT_FALSE(ParseY4mHeader(line, &f));
  return f;
}

TEST(Y4mStream, FramesSurviveWritingAndReading) {
  for (const char* line : {"YUV4MPEG2 W5 H3 C420jpeg", "YUV4MPEG2 W5 H3 C422p12",
                           "YUV4MPEG2 W5 H3 C444p16 XCOLORRANGE=FULL", "YUV4MPEG2 W5 H3 Cmono10"}) {
    SCOPED_TRACE(line);
    const Y4mFormat format = Format(line);
    const std::string params = " Ib Xy=z";
    const std::vector<Y4mFrame> frames = {MakeFrame(format, 1), MakeFrame(format, 2, params),
                                          MakeFrame(format, 3)};
    const std::string bytes = Encode(format, frames);
    EXPECT_EQ(bytes.size(),
              std::string(line).size() + 1 + 3 * (6 + format.FrameBytes()) + params.size());
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(StreamOf(bytes), std::fclose);
    Y4mReader reader(in.get(), "in");
    ASSERT_FALSE(reader.ReadHeader());
    Y4mFrame got;
    Failure failure;
    for (const Y4mFrame& want : frames) {
      ASSERT_TRUE(reader.Next(&got, &failure)) << failure.message;
      EXPECT_EQ(got.params, want.params);
      EXPECT_EQ(got.bytes, want.bytes);
    }
    EXPECT_FALSE(reader.Next(&got, &failure));
    EXPECT_FALSE(failure) << failure.message;
  }
}

TEST(Y4mStream, SamplesAboveEightBitsAreLittleEndian) {
  const Y4mFormat format = Format("YUV4MPEG2 W1 H1 Cmono16");
  Y4mFrame frame;
  frame.bytes.resize(2);
  frame.SetCode(format, 0, 0, 0x1234);
  const std::string bytes = Encode(format, {frame});
  EXPECT_EQ(bytes.substr(bytes.size() - 2), std::string("\x34\x12"));
}

struct FaultCase {
  const char* what;
  std::string bytes;
  std::int64_t goodFrames;
  const char* message;  // nullptr: the stream is fine
};

TEST(Y4mStream, ReportsTheFrameWhereAStreamGoesWrongAndHandsOutNoBrokenFrame) {
  const Y4mFormat format = Format("YUV4MPEG2 W5 H3 C420jpeg");
  const Y4mFormat other = Format("YUV4MPEG2 W6 H3 C420jpeg");
  const std::string two = Encode(format, {MakeFrame(format, 1), MakeFrame(format, 2)});
  const std::size_t header = format.header.size() + 1;
  const std::size_t frame = 6 + format.FrameBytes();
  const std::string second = two.substr(header + frame);  // "FRAME\n" and frame 2
  const std::string otherStream = Encode(other, {MakeFrame(other, 1)});
  std::string longFirst = two;
  longFirst.insert(header + 10, "x");
  std::string shortFirst = two;
  shortFirst.erase(header + 10, 1);

  const FaultCase cases[] = {
      {"complete", two, 2, nullptr},
      {"the same stream again", two + two.substr(0, header) + second, 3, nullptr},
      {"cut in frame 2's data", two.substr(0, two.size() - 4), 1, "frame 2: truncated: "},
      {"cut in frame 2's header", two.substr(0, header + frame + 3), 1,
       "frame 2: truncated frame header"},
      {"frame 1 a byte long", longFirst, 0, "frame 1: data does not match"},
      {"frame 1 a byte short", shortFirst, 0, "frame 1: data does not match"},
      {"frames of another size follow", two.substr(0, header + frame) + otherStream, 1,
       "frame 2: the stream changes to frames of another size"},
      {"a frame header with its own size",
       two.substr(0, header) + "FRAME W9" + two.substr(header + 5), 0,
       "frame 1: frame header declares another size"},
      {"no frame header", two.substr(0, header) + "garbage", 0,
       "frame 1: no FRAME header after the stream header"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(StreamOf(c.bytes), std::fclose);
    Y4mReader reader(in.get(), "clip.y4m");
    ASSERT_FALSE(reader.ReadHeader());
    Y4mFrame got;
    Failure failure;
    std::int64_t frames = 0;
    while (reader.Next(&got, &failure)) ++frames;
    EXPECT_EQ(frames, c.goodFrames);
    EXPECT_EQ(reader.framesRead(), c.goodFrames);
    if (c.message == nullptr) {
      EXPECT_FALSE(failure) << failure.message;
    } else {
      EXPECT_EQ(failure.status, ExitStatus::kBadInput);
      EXPECT_NE(failure.message.find(std::string("clip.y4m: ") + c.message), std::string::npos)
          << failure.message;
    }
  }
}

TEST(Y4mStream, RefusesATruncatedOrMissingHeader) {
  for (const char* bytes : {"", "YUV4MPEG2 W5 H3", "RIFF....WAVE"}) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(StreamOf(bytes), std::fclose);
    Y4mReader reader(in.get(), "in");
    EXPECT_EQ(reader.ReadHeader().status, ExitStatus::kBadInput) << bytes;
  }
}

}  // namespace
}  // namespace tessaro::tools
