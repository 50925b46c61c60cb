// The host codes' conversions in integers against the formulas in double precision: every YUV
// code of every depth and range, every sample back (alone and as the mean of 2 or 4), and every
// 8-bit RGB colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "pipeline/picture_codec.h"
#include "pipeline/rgb_codes.h"
#include "pipeline/yuv_codes.h"
#include "support/pictures.h"

namespace tessaro::pipeline {
namespace {

// The formulas: code = zero + sample * codesPerSample, codesPerSample = K / 4096.
struct DoubleScale {
  double zero, codesPerSample;
  int maxCode;
};

DoubleScale Formula(int depth, bool full, bool chroma) {
  const double maxCode = std::ldexp(1.0, depth) - 1.0;
  const double s = std::ldexp(1.0, depth - 8);
  if (full) return {chroma ? std::ldexp(1.0, depth - 1) : 0.0, maxCode / 4096.0, int(maxCode)};
  return {(chroma ? 128.0 : 16.0) * s, (chroma ? 224.0 : 219.0) * s / 4096.0, int(maxCode)};
}

std::int16_t SampleByFormula(double code, const DoubleScale& d) {
  return static_cast<std::int16_t>(
      std::clamp(std::round((code - d.zero) / d.codesPerSample), -32768.0, 32767.0));
}

std::int32_t CodeByFormula(double sample, const DoubleScale& d) {
  return static_cast<std::int32_t>(
      std::clamp(std::round(d.zero + sample * d.codesPerSample), 0.0, double(d.maxCode)));
}

TEST(YuvCodes, EveryCodeAndSampleOfEveryDepthAndRangeAsTheFormulas) {
  for (int depth = 8; depth <= 16; ++depth) {
    for (const bool full : {false, true}) {
      for (const bool chroma : {false, true}) {
        SCOPED_TRACE(::testing::Message() << depth << "-bit " << (full ? "full" : "limited")
                                          << (chroma ? " chroma" : " luma"));
        const CodeScale scale = chroma ? ChromaCodes(depth, full) : LumaCodes(depth, full);
        const DoubleScale d = Formula(depth, full, chroma);
        CodeSamples table;
        ASSERT_TRUE(table.Build(scale));
        int wrong = 0;
        for (std::int32_t code = 0; code <= 65535 && wrong < 5; ++code) {
          const std::int16_t want = SampleByFormula(code, d);
          if (CodeToSample(code, scale) != want ||
              table(static_cast<std::uint32_t>(code)) != want) {
            ADD_FAILURE() << "code " << code << ": " << CodeToSample(code, scale) << ", table "
                          << table(static_cast<std::uint32_t>(code)) << ", want " << want;
            ++wrong;
          }
        }
        for (std::int32_t sample = -32768; sample <= 32767 && wrong < 5; ++sample) {
          for (const std::int32_t n : {1, 2, 4}) {
            // A sum of n samples whose mean is sample plus a fraction of a step.
            const std::int64_t sum = std::int64_t{sample} * n + (sample & (n - 1));
            const std::int32_t want = CodeByFormula(double(sum) / n, d);
            if (SamplesToCode(sum, n, scale) != want) {
              ADD_FAILURE() << "sum " << sum << " / " << n << ": " << SamplesToCode(sum, n, scale)
                            << ", want " << want;
              ++wrong;
            }
          }
        }
      }
    }
  }
}

TEST(PictureCodec, YuvRowsDecodeAndEncodeAsTheScales) {
  // Every layout, depth and range: the rows' samples are CodeToSample of their codes, chroma
  // repeated over the pixels it covers, and the codes written back are the nearest to each
  // sample, or to the mean of the samples a chroma sample covers.
  testing::Random rng(11);
  for (int round = 0; round < 120; ++round) {
    // Half the rounds through the planar scratch, which 8-bit pictures go through a plane at a
    // time.
    const bool planar = round % 2 == 1;
    static constexpr ChromaLayout kChroma[] = {ChromaLayout::k420, ChromaLayout::k422,
                                               ChromaLayout::k444, ChromaLayout::kMono};
    const int depth = round % 4 < 2 ? 8 : rng.Range(9, 16);
    const YuvFormat f{kChroma[(round / 2) % 4], depth, rng.OneIn(2), depth > 8, 0};
    const std::int32_t w = rng.Range(1, 37), h = rng.Range(1, 9);
    const testing::YuvLayout layout = f.chroma != ChromaLayout::kMono && rng.OneIn(3)
                                          ? testing::YuvLayout::kSemiPlanar
                                          : testing::YuvLayout::kPlanar;
    SCOPED_TRACE(::testing::Message()
                 << "round " << round << (planar ? " planar: " : ": ") << depth << "-bit " << w
                 << "x" << h << " chroma " << static_cast<int>(f.chroma));
    testing::YuvPicture picture(w, h, f, layout, rng.Range(0, 3));
    testing::FillYuv(picture, static_cast<std::uint64_t>(round));
    PictureCodec codec;
    ASSERT_TRUE(codec.Open(picture.picture(), Space::kYc));
    const CodeScale luma = LumaCodes(depth, f.fullRange), chroma = ChromaCodes(depth, f.fullRange);
    const std::int32_t sx = f.chromaShiftX(), sy = f.chromaShiftY();
    const bool mono = f.chroma == ChromaLayout::kMono;
    std::vector<std::int16_t> rows(std::size_t(3) * w * h);
    std::vector<std::int16_t> scratch(static_cast<std::size_t>(codec.PlanarSamples()));
    std::int16_t* through = planar ? scratch.data() : nullptr;
    for (std::int32_t y = 0; y < h; y += codec.groupRows()) {
      codec.Decode(y, std::min(codec.groupRows(), h - y), rows.data() + 3 * w * y, 6 * w, through);
    }
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        const std::int16_t* s = &rows[std::size_t(3) * (y * w + x)];
        ASSERT_EQ(s[0], CodeToSample(std::int32_t(picture.code(0, x, y)), luma)) << x << "," << y;
        for (int c = 1; c < 3; ++c) {
          const std::int16_t want =
              mono ? 0 : CodeToSample(std::int32_t(picture.code(c, x >> sx, y >> sy)), chroma);
          ASSERT_EQ(s[c], want) << x << "," << y << " channel " << c;
        }
      }
    }
    for (auto& v : rows) v = static_cast<std::int16_t>(rng.Range(-6000, 9000));
    for (std::int32_t y = 0; y < h; y += codec.groupRows()) {
      codec.Encode(y, std::min(codec.groupRows(), h - y), rows.data() + 3 * w * y, 6 * w, through);
    }
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        ASSERT_EQ(picture.code(0, x, y), std::uint32_t(SampleToCode(rows[3 * (y * w + x)], luma)));
      }
    }
    for (int c = 1; c < 3 && !mono; ++c) {
      for (std::int32_t cy = 0; cy < picture.PlaneHeight(1); ++cy) {
        for (std::int32_t cx = 0; cx < picture.PlaneWidth(1); ++cx) {
          std::int64_t sum = 0;
          std::int32_t count = 0;
          for (std::int32_t y = cy << sy; y < std::min(h, (cy + 1) << sy); ++y) {
            for (std::int32_t x = cx << sx; x < std::min(w, (cx + 1) << sx); ++x, ++count) {
              sum += rows[std::size_t(3) * (y * w + x) + c];
            }
          }
          ASSERT_EQ(picture.code(c, cx, cy), std::uint32_t(SamplesToCode(sum, count, chroma)))
              << cx << "," << cy << " channel " << c;
        }
      }
    }
  }
}

TEST(RgbCodes, EveryColourHasTheLumaAndColourDifferencesOfTheFormulas) {
  int wrong = 0;
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      for (int b = 0; b < 256 && wrong < 5; ++b) {
        const double rf = r / 255.0, gf = g / 255.0, bf = b / 255.0;
        const double y = 0.299 * rf + (1.0 - 0.299 - 0.114) * gf + 0.114 * bf;
        const auto near = [](double v) { return static_cast<std::int32_t>(std::round(v * 4096)); };
        const std::int32_t want[3] = {near(y), near((bf - y) / (2 * (1 - 0.114))),
                                      near((rf - y) / (2 * (1 - 0.299)))};
        const std::int32_t got[3] = {rgb_codes::LumaOf(r, g, b),
                                     rgb_codes::BlueDifferenceOf(r, g, b),
                                     rgb_codes::RedDifferenceOf(r, g, b)};
        if (!std::equal(got, got + 3, want)) {
          ADD_FAILURE() << r << "," << g << "," << b << ": " << got[0] << " " << got[1] << " "
                        << got[2] << ", want " << want[0] << " " << want[1] << " " << want[2];
          ++wrong;
        }
      }
    }
  }
}

TEST(RgbCodes, SamplesGoBackToTheNearestCodeTiesToEven) {
  struct Row {
    std::int32_t sample, code;
  };
  for (const Row& row : {Row{-32768, 0}, Row{0, 0}, Row{7, 0}, Row{8, 0}, Row{9, 1}, Row{16, 1},
                         Row{24, 2}, Row{40, 2}, Row{2040, 128}, Row{4072, 254}, Row{4073, 255},
                         Row{4080, 255}, Row{32767, 255}}) {
    EXPECT_EQ(rgb_codes::CodeOfSample(row.sample), row.code) << row.sample;
  }
  for (int c = 0; c < 256; ++c) EXPECT_EQ(rgb_codes::CodeOfSample(16 * c), c);
}

TEST(RgbCodes, AChangeOfSamplesMovesThePixelAsTheInverseFormulas) {
  // Unchanged samples leave the pixel; a change of luma alone moves R, G and B alike; the
  // others follow R = Y + 1.402 Cr, B = Y + 1.772 Cb, G = (Y - 0.299 R - 0.114 B) / 0.587.
  struct Row {
    std::int32_t dy, dcb, dcr;
    std::uint8_t in[3], want[3];
  };
  const Row kRows[] = {
      {0, 0, 0, {12, 200, 99}, {12, 200, 99}},       {4096, 0, 0, {0, 10, 100}, {255, 255, 255}},
      {-4096, 0, 0, {0, 10, 100}, {0, 0, 0}},        {1024, 0, 0, {100, 100, 100}, {164, 164, 164}},
      {0, 0, 1000, {100, 100, 100}, {187, 56, 100}}, {0, -1000, 0, {100, 100, 100}, {100, 121, 0}},
      {8, 0, 0, {10, 10, 10}, {10, 10, 10}},         {9, 0, 0, {10, 10, 10}, {11, 11, 11}},
  };
  for (const Row& row : kRows) {
    std::uint8_t px[3] = {row.in[0], row.in[1], row.in[2]};
    rgb_codes::MovePixel(row.dy, row.dcb, row.dcr, &px[0], &px[1], &px[2]);
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(px[c], row.want[c]) << row.dy << " " << row.dcb << " " << row.dcr << " ch " << c;
    }
  }
}

}  // namespace
}  // namespace tessaro::pipeline
