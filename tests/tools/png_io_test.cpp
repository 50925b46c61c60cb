#include "png_io.h"

#include <gtest/gtest.h>

#include <random>

#include "temp_files.h"

namespace tessaro::tools {
namespace {

using testing::TempPath;
using testing::WriteFile;

PngImage RandomPicture(int channels, int depth, std::int32_t w, std::int32_t h, unsigned seed) {
  std::mt19937 random(seed);
  PngImage p;
  p.width = w;
  p.height = h;
  p.channels = channels;
  p.bitDepth = depth;
  p.samples.resize(static_cast<std::size_t>(w) * h * channels);
  // Smooth ramps with noise, so that every row filter gets chosen somewhere.
  for (std::size_t i = 0; i < p.samples.size(); ++i) {
    const unsigned ramp = static_cast<unsigned>(i * 37) % (1u << depth);
    p.samples[i] = static_cast<std::uint16_t>(i % 3 == 0 ? random() % (1u << depth) : ramp);
  }
  return p;
}

TEST(Png, EveryKindSurvivesWritingAndReading) {
  for (int channels : {1, 2, 3, 4}) {
    for (int depth : {8, 16}) {
      SCOPED_TRACE(::testing::Message() << channels << " channels, " << depth << " bits");
      const PngImage want =
          RandomPicture(channels, depth, 13, 7, static_cast<unsigned>(channels * depth));
      TempPath path("kind.png");
      ASSERT_FALSE(WritePng(path.str(), want));
      PngImage got;
      const Failure f = ReadPng(path.str(), &got);
      ASSERT_FALSE(f) << f.message;
      EXPECT_EQ(got.width, want.width);
      EXPECT_EQ(got.height, want.height);
      EXPECT_EQ(got.channels, want.channels);
      EXPECT_EQ(got.bitDepth, want.bitDepth);
      EXPECT_EQ(got.samples, want.samples);
    }
  }
}

TEST(Png, RefusesWhatItCannotRead) {
  const std::vector<unsigned char> good = EncodePng(RandomPicture(3, 8, 40, 30, 1));
  const std::string bytes(good.begin(), good.end());
  std::string zeroWidth = bytes;
  zeroWidth.replace(16, 4, std::string(4, '\0'));  // IHDR width
  std::string badDepth = bytes;
  badDepth[24] = 7;  // IHDR bit depth
  std::string longChunk = bytes;
  longChunk.replace(33, 4, "\x7f\xff\xff\xf0");  // IDAT length far past the end

  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"empty", "", "no PNG signature"},
      {"text", "hello, world\n", "no PNG signature"},
      {"signature only", bytes.substr(0, 8), "unreadable PNG"},
      {"cut in half", bytes.substr(0, bytes.size() / 2), "unreadable PNG"},
      {"no pixel data", bytes.substr(0, 33), "unreadable PNG"},
      {"width zero", zeroWidth, "unreadable PNG"},
      {"bit depth 7", badDepth, "unreadable PNG"},
      {"chunk longer than the file", longChunk, "runs past the end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempPath path("bad.png");
    WriteFile(path.str(), c.bytes);
    PngImage image;
    const Failure f = ReadPng(path.str(), &image);
    EXPECT_EQ(f.status, ExitStatus::kBadInput);
    EXPECT_NE(f.message.find(path.str() + ": "), std::string::npos) << f.message;
    EXPECT_NE(f.message.find(c.message), std::string::npos) << f.message;
  }
  PngImage image;
  EXPECT_EQ(ReadPng("/no/such/dir/x.png", &image).status, ExitStatus::kBadInput);
}

}  // namespace
}  // namespace tessaro::tools
