#include "yc_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

namespace tessaro::tools {
namespace {

struct Anchor {
  int depth;
  bool full;
  bool chroma;
  int code;
  int sample;
};

TEST(YcConvert, NominalLevelsLandOnTheModulesScale) {
  const Anchor anchors[] = {
      {8, false, false, 16, 0},
      {8, false, false, 235, 4096},
      {8, false, true, 128, 0},
      {8, false, true, 16, -2048},
      {8, false, true, 240, 2048},
      {10, false, false, 64, 0},
      {10, false, false, 940, 4096},
      {10, false, true, 960, 2048},
      {16, false, false, 4096, 0},
      {16, false, false, 60160, 4096},
      {16, false, true, 4096, -2048},
      {8, true, false, 0, 0},
      {8, true, false, 255, 4096},
      {8, true, true, 128, 0},
      {16, true, false, 65535, 4096},
      {10, false, false, 1023, 4484},  // above nominal white stays above
  };
  for (const Anchor& a : anchors) {
    SCOPED_TRACE(::testing::Message() << a.depth << "-bit " << (a.full ? "full" : "limited")
                                      << (a.chroma ? " chroma " : " luma ") << a.code);
    const SampleScale s = a.chroma ? ChromaScale(a.depth, a.full) : LumaScale(a.depth, a.full);
    EXPECT_EQ(CodeToSample(a.code, s), a.sample);
    EXPECT_EQ(SampleToCode(a.sample, s), a.code);
  }
}

TEST(YcConvert, EveryCodeComesBackWithinHalfASampleStep) {
  for (int depth : {8, 9, 10, 12, 14, 16}) {
    for (bool full : {false, true}) {
      for (bool chroma : {false, true}) {
        const SampleScale s = chroma ? ChromaScale(depth, full) : LumaScale(depth, full);
        // Exact while a code step is at least one sample; otherwise the rounding to samples.
        const int allowed = static_cast<int>(std::floor(s.perSample / 4096.0 / 2.0 + 0.5));
        int worst = 0;
        for (int code = 0; code <= s.maxCode; ++code) {
          worst = std::max(worst, std::abs(SampleToCode(CodeToSample(code, s), s) - code));
        }
        EXPECT_LE(worst, allowed) << depth << (full ? " full" : " limited") << chroma;
        if (depth <= 12) {
          EXPECT_EQ(worst, 0);
        }
      }
    }
  }
}

TEST(YcConvert, OutOfRangeValuesSaturate) {
  const SampleScale luma8 = LumaScale(8, false);
  EXPECT_EQ(SampleToCode(32767, luma8), 255);
  EXPECT_EQ(SampleToCode(-32768, luma8), 0);
  EXPECT_EQ(CodeToSample(65535, LumaScale(10, false)), 32767);
}

Y4mFormat Format(const char* line) {
  Y4mFormat f;
  EXPECT_FALSE(ParseY4mHeader(line, &f));
  return f;
}

TEST(YcConvert, SubsampledChromaIsReplicatedInAndAveragedOut) {
  const Y4mFormat format = Format("YUV4MPEG2 W5 H3 C420jpeg");
  Y4mFrame frame;
  frame.bytes.assign(15, 100);
  const std::uint8_t cb[] = {16, 72, 128, 184, 240, 100};  // 3 x 2
  const std::uint8_t cr[] = {240, 184, 128, 72, 16, 100};
  frame.bytes.insert(frame.bytes.end(), cb, cb + 6);
  frame.bytes.insert(frame.bytes.end(), cr, cr + 6);
  YcImage image;
  Y4mFrameToYc(format, frame, &image);
  const SampleScale c = ChromaScale(8, false);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 5; ++x) {
      const std::size_t block = static_cast<std::size_t>((y / 2) * 3 + x / 2);
      EXPECT_EQ(image.at(x, y).cb, CodeToSample(cb[block], c)) << x << "," << y;
      EXPECT_EQ(image.at(x, y).cr, CodeToSample(cr[block], c)) << x << "," << y;
    }
  }
  Y4mFrame back;
  YcToY4mFrame(format, image, &back);
  EXPECT_EQ(back.bytes, frame.bytes);

  // Blocks cut by the right and bottom edges average only the pixels they have.
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 5; ++x)
      image.at(x, y).cb = static_cast<std::int16_t>(100 * x + 10 * y);
  }
  YcToY4mFrame(format, image, &back);
  const auto cbAt = [&](std::size_t i) {
    return static_cast<std::int32_t>(back.Code(format, 1, i));
  };
  EXPECT_EQ(cbAt(0), SamplesToCode(0 + 100 + 10 + 110, 4, c));
  EXPECT_EQ(cbAt(2), SamplesToCode(400 + 410, 2, c));
  EXPECT_EQ(cbAt(3), SamplesToCode(20 + 120, 2, c));
  EXPECT_EQ(cbAt(5), SampleToCode(420, c));
}

TEST(YcConvert, EightBitRgbSurvivesTheRoundTrip) {
  for (int r = 0; r < 256; r += 3) {
    for (int g = 0; g < 256; g += 5) {
      for (int b = 0; b < 256; b += 2) {
        double rr, gg, bb;
        YcToRgb(RgbToYc(r / 255.0, g / 255.0, b / 255.0), &rr, &gg, &bb);
        ASSERT_EQ(std::lround(rr * 255.0), r);
        ASSERT_EQ(std::lround(gg * 255.0), g);
        ASSERT_EQ(std::lround(bb * 255.0), b);
      }
    }
  }
  EXPECT_EQ(RgbToYc(1.0, 1.0, 1.0).y, 4096);
  EXPECT_EQ(RgbToYc(0.0, 0.0, 1.0).cb, 2048);
  EXPECT_EQ(RgbToYc(1.0, 0.0, 0.0).cr, 2048);
}

TEST(YcConvert, PngPicturesConvertWithinTheDocumentedRounding) {
  std::mt19937 random(7);
  for (int channels : {1, 2, 3, 4}) {
    for (int depth : {8, 16}) {
      PngImage png;
      png.width = 64;
      png.height = 32;
      png.channels = channels;
      png.bitDepth = depth;
      png.samples.resize(64 * 32 * static_cast<std::size_t>(channels));
      for (auto& s : png.samples) s = static_cast<std::uint16_t>(random() % ((1u << depth)));
      PngImage back = png;
      YcImage image;
      PngToYc(png, &image);
      YcToPng(image, &back);
      // RGB at 16 bits: 1.4/4096 of full scale from the YcPixel rounding, plus the last step.
      const int allowed = depth == 8 ? 0 : channels <= 2 ? 8 : 23;
      int worst = 0;
      for (std::size_t i = 0; i < png.samples.size(); ++i) {
        const bool alpha = png.HasAlpha() && i % channels == static_cast<std::size_t>(channels - 1);
        const int d = std::abs(back.samples[i] - png.samples[i]);
        if (alpha) {
          ASSERT_EQ(d, 0) << "alpha changed";
        } else {
          worst = std::max(worst, d);
        }
      }
      EXPECT_LE(worst, allowed) << channels << " channels, " << depth << " bits";
    }
  }
}

}  // namespace
}  // namespace tessaro::tools
