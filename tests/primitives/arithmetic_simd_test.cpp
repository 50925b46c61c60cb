// Every SIMD slot of ColorMatrixS16C3 and SubConstS16C1 against the generic slot (or, for the
// colour matrix, against a scalar model of the single-precision SIMD sum), on seeded images
// with guard bytes around and between the rows.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "primitives/rounding.h"
#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::DifferentialWidths;
using testing::Fill;
using testing::FirstDifference;
using testing::GuardedImage;
using testing::HighestRunnableSlot;
using testing::ProbeRounding;
using testing::Random;
using testing::RandomS16;

using testing::Trace;

// The SIMD arithmetic: (offset + w0 s0) + (w1 s1 + w2 s2) in single precision, clamped,
// then rounded to nearest, ties to even.
std::int16_t SimdMatrixModel(const float* w, std::int16_t s0, std::int16_t s1, std::int16_t s2) {
  const float a = w[3] + w[0] * static_cast<float>(s0);
  const float b = w[1] * static_cast<float>(s1) + w[2] * static_cast<float>(s2);
  const float sum = a + b;
  if (sum >= 32767.0f) return 32767;
  if (sum <= -32768.0f) return -32768;
  return static_cast<std::int16_t>(RoundHalfToEven(sum));
}

// Weights from small fractions to saturating gains, offsets often on a half.
void RandomMatrix(Random& rng, float* m) {
  for (int i = 0; i < 12; ++i) {
    const bool offset = i % 4 == 3;
    const float scale = rng.OneIn(4) ? 4.0f : 1.0f;
    float v = static_cast<float>(rng.Range(-4096, 4096)) / 4096.0f * scale;
    if (offset) v = static_cast<float>(rng.Range(-2000, 2000)) + (rng.OneIn(2) ? 0.5f : v);
    if (rng.OneIn(6)) v = 0.0f;
    m[i] = v;
  }
  if (rng.OneIn(5)) {  // identity plus a half: every result lies exactly on a half
    for (int i = 0; i < 12; ++i) m[i] = i % 4 == 3 ? 0.5f : (i % 4 == i / 4 ? 1.0f : 0.0f);
  }
}

TEST(ArithmeticSimdTest, ColorMatrixMatchesSimdModelAndGenericWithinOne) {
  std::uint64_t seed = 0;
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const std::int32_t width : DifferentialWidths()) {
      ++seed;
      SCOPED_TRACE(Trace(slot, seed, width));
      Random rng(seed);
      const std::int32_t height = width > 200 ? 2 : rng.Range(1, 4);
      const Fill fill = static_cast<Fill>(seed % 4);
      float m[12];
      RandomMatrix(rng, m);
      GuardedImage<std::int16_t> src(width, height, 3, rng.Range(0, 5));
      src.Fill([&] { return RandomS16(rng, fill); });
      GuardedImage<std::int16_t> dst(width, height, 3, rng.Range(0, 5)), reference = dst;
      GuardedImage<std::int16_t> expected = dst;
      for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
          for (int c = 0; c < 3; ++c) {
            expected.at(3 * x + c, y) = SimdMatrixModel(m + 4 * c, src.at(3 * x, y),
                                                        src.at(3 * x + 1, y), src.at(3 * x + 2, y));
          }
        }
      }
      ASSERT_EQ(slots::ColorMatrixS16C3[slot](src.data(), src.step(), dst.data(), dst.step(),
                                              {width, height}, m),
                StatusOk);
      ASSERT_EQ(FirstDifference(dst.bytes(), expected.bytes()), -1);
      ASSERT_EQ(slots::ColorMatrixS16C3[0](src.data(), src.step(), reference.data(),
                                           reference.step(), {width, height}, m),
                StatusOk);
      for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < 3 * width; ++x) {
          ASSERT_LE(std::abs(dst.at(x, y) - reference.at(x, y)), 1)
              << "sample " << x << " row " << y;
        }
      }
      // In place: every pixel is read before it is written.
      ASSERT_EQ(slots::ColorMatrixS16C3[slot](src.data(), src.step(), src.data(), src.step(),
                                              {width, height}, m),
                StatusOk);
      for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < 3 * width; ++x) {
          ASSERT_EQ(src.at(x, y), expected.at(x, y)) << "in place, sample " << x << " row " << y;
        }
      }
    }
  }
}

// Float pairing lands 1000.5 + 3 * 2^-16 on 1000.5 exactly, so the SIMD slots give the even
// 1000 where the generic sum, rounded once, gives 1001.
TEST(ArithmeticSimdTest, ColorMatrixNearHalfDiffersFromGenericByOne) {
  const float u = 0x1p-15f;
  const float m[12] = {u, u, -u / 2, 1000.5f, u, u, -u / 2, 1000.5f, u, u, -u / 2, 1000.5f};
  const std::int16_t src[3] = {1, 1, 1};
  for (std::int32_t slot = 0; slot <= HighestRunnableSlot(); ++slot) {
    std::int16_t dst[3] = {};
    ASSERT_EQ(slots::ColorMatrixS16C3[slot](src, 6, dst, 6, {1, 1}, m), StatusOk);
    const std::int16_t expected = slot == 0 ? 1001 : 1000;
    EXPECT_TRUE(dst[0] == expected && dst[1] == expected && dst[2] == expected)
        << "slot " << slot << " got " << dst[0];
  }
}

// Exact sums on halves: the result must be the same under every caller mode, and the
// caller's mode must survive the call.
TEST(ArithmeticSimdTest, ColorMatrixRoundsToNearestAndRestoresCallerMode) {
  const float m[12] = {1, 0, 0, 0.5f, 0, 0.25f, 0, 0, 0.001f, 0, 0, -0.5f};
  const std::int16_t src[6] = {1, 10, 7, 2, 6, -1};
  const std::int16_t expected[6] = {2, 2, 0, 2, 2, 0};
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
      std::int16_t dst[6] = {};
      ASSERT_EQ(std::fesetround(mode), 0);
      const int before = ProbeRounding();
      const Status status = slots::ColorMatrixS16C3[slot](src, 6, dst, 6, {2, 1}, m);
      const int after = ProbeRounding();
      std::fesetround(FE_TONEAREST);
      ASSERT_EQ(before, mode);
      EXPECT_EQ(after, mode) << "slot " << slot;
      ASSERT_EQ(status, StatusOk);
      for (int i = 0; i < 6; ++i) EXPECT_EQ(dst[i], expected[i]) << "slot " << slot << " i " << i;
    }
  }
}

TEST(ArithmeticSimdTest, SubConstMatchesGeneric) {
  const std::int32_t scales[] = {0,  0,         1,  2,  5,   15,  16,  17,
                                 40, INT32_MAX, -1, -3, -15, -16, -40, INT32_MIN};
  std::uint64_t seed = 1000;
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const std::int32_t width : DifferentialWidths()) {
      for (std::size_t n = 0; n < std::size(scales); ++n) {
        ++seed;
        SCOPED_TRACE(Trace(slot, seed, width) + " scale " + std::to_string(scales[n]));
        Random rng(seed);
        const std::int32_t height = width > 200 ? 2 : rng.Range(1, 3);
        // The first zero scale runs with constant 0: the image must not be written at all.
        // High bits of the 32-bit constant must be ignored.
        const std::int32_t value = n == 0 ? static_cast<std::int32_t>(rng.Next() & 0xFFFF0000u)
                                          : (rng.OneIn(3) ? RandomS16(rng, Fill::kExtremes)
                                                          : static_cast<std::int32_t>(rng.Next()));
        GuardedImage<std::int16_t> image(width, height, 1, rng.Range(0, 5));
        const Fill fill = static_cast<Fill>(seed % 4);
        image.Fill([&] { return RandomS16(rng, fill); });
        GuardedImage<std::int16_t> reference = image;
        // Odd seeds run bottom-up behind a negative step, which is not validated.
        const bool upward = seed % 2 == 1;
        const std::int32_t step = upward ? -image.step() : image.step();
        ASSERT_EQ(slots::SubConstS16C1[slot](value, &image.at(0, upward ? height - 1 : 0), step,
                                             {width, height}, scales[n]),
                  StatusOk);
        ASSERT_EQ(slots::SubConstS16C1[0](value, &reference.at(0, upward ? height - 1 : 0), step,
                                          {width, height}, scales[n]),
                  StatusOk);
        ASSERT_EQ(FirstDifference(image.bytes(), reference.bytes()), -1);
      }
    }
  }
}

// Same status as the generic slot and nothing written, for each failing argument in turn.
TEST(ArithmeticSimdTest, ArgumentFailuresMatchGeneric) {
  struct Case {
    bool nullSrc, nullDst, nullMatrix;
    ImageSize size;
    std::int32_t srcStep, dstStep;
  };
  const Case cases[] = {
      {true, false, false, {0, 1}, 0, 12},   {false, true, false, {2, 1}, 12, 12},
      {false, false, true, {-1, 1}, 12, 12}, {false, false, false, {2, 0}, 0, 0},
      {false, false, false, {2, 1}, 12, 0},  {false, false, false, {2, 1}, -12, 12}};
  const float m[12] = {1, 0, 0, 3, 0, 1, 0, 3, 0, 0, 1, 3};
  const std::int16_t src[6] = {1, 2, 3, 4, 5, 6};
  struct SubCase {
    bool nullImage;
    ImageSize size;
  };
  const SubCase subCases[] = {{true, {0, 1}}, {false, {0, 1}}, {false, {2, -1}}, {false, {-5, 2}}};
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    for (const Case& k : cases) {
      std::vector<std::int16_t> dst(6, 77);
      const auto run = [&](std::int32_t s) {
        return slots::ColorMatrixS16C3[s](k.nullSrc ? nullptr : src, k.srcStep,
                                          k.nullDst ? nullptr : dst.data(), k.dstStep, k.size,
                                          k.nullMatrix ? nullptr : m);
      };
      EXPECT_EQ(run(slot), run(0));
      EXPECT_EQ(dst, std::vector<std::int16_t>(6, 77));
    }
    for (const SubCase& k : subCases) {
      std::vector<std::int16_t> image(6, 77);
      std::int16_t* target = k.nullImage ? nullptr : image.data();
      EXPECT_EQ(slots::SubConstS16C1[slot](9, target, 12, k.size, 1),
                slots::SubConstS16C1[0](9, target, 12, k.size, 1));
      EXPECT_EQ(image, std::vector<std::int16_t>(6, 77));
    }
  }
}

}  // namespace
}  // namespace tessaro
