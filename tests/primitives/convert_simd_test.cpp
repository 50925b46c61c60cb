// Every SIMD slot of ConvertS16ToF32 and ConvertF32ToS16 against the generic slot, byte for
// byte, on seeded images with guard bytes around and between the rows. The documented
// differences (not-a-number, values just below one half under the away rule) are patched
// into the expectation and checked on their own below.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

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
using testing::RandomF32;
using testing::RandomS16;

using testing::Trace;

bool IsAwayMode(RoundMode mode) {
  return mode != RoundTowardZero && mode != RoundNearestEven;
}

// Where a SIMD slot may store something else than the generic one.
bool SimdDiffers(float x, RoundMode mode, std::int16_t* simd) {
  if (std::isnan(x)) {
    *simd = 32767;
    return true;
  }
  const float magnitude = std::fabs(x);
  if (IsAwayMode(mode) && magnitude < 0.5f && magnitude + 0.5f >= 1.0f) {  // sum rounded up
    *simd = x < 0 ? -1 : 1;
    return true;
  }
  return false;
}

TEST(ConvertSimdTest, S16ToF32MatchesGeneric) {
  std::uint64_t seed = 0;
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const std::int32_t width : DifferentialWidths()) {
      ++seed;
      SCOPED_TRACE(Trace(slot, seed, width));
      Random rng(seed);
      const std::int32_t height = width > 200 ? 2 : rng.Range(1, 4);
      // Both pads 0 every fourth seed: the contiguous, one-long-row path.
      const bool contiguous = seed % 4 == 0;
      GuardedImage<std::int16_t> src(width, height, 1, contiguous ? 0 : rng.Range(0, 7));
      const Fill fill = static_cast<Fill>(seed % 4);
      src.Fill([&] { return RandomS16(rng, fill); });
      GuardedImage<float> dst(width, height, 1, contiguous ? 0 : rng.Range(0, 7)), reference = dst;
      ASSERT_EQ(slots::ConvertS16ToF32[slot](src.data(), src.step(), dst.data(), dst.step(),
                                             {width, height}),
                StatusOk);
      ASSERT_EQ(slots::ConvertS16ToF32[0](src.data(), src.step(), reference.data(),
                                          reference.step(), {width, height}),
                StatusOk);
      ASSERT_EQ(FirstDifference(dst.bytes(), reference.bytes()), -1);
    }
  }
}

TEST(ConvertSimdTest, F32ToS16MatchesGenericOutsideDocumentedDifferences) {
  const RoundMode modes[] = {0, 1, 2, -1, 7};
  std::uint64_t seed = 5000;
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const std::int32_t width : DifferentialWidths()) {
      for (const RoundMode mode : modes) {
        ++seed;
        SCOPED_TRACE(Trace(slot, seed, width) + " mode " + std::to_string(mode));
        Random rng(seed);
        const std::int32_t height = width > 200 ? 2 : rng.Range(1, 4);
        const bool contiguous = seed % 4 == 0;
        GuardedImage<float> src(width, height, 1, contiguous ? 0 : rng.Range(0, 7));
        const Fill fill = seed % 3 == 0 ? Fill::kUniform : Fill::kMixed;
        src.Fill([&] { return RandomF32(rng, fill, true); });
        GuardedImage<std::int16_t> dst(width, height, 1, contiguous ? 0 : rng.Range(0, 7));
        GuardedImage<std::int16_t> expected = dst;
        ASSERT_EQ(slots::ConvertF32ToS16[slot](src.data(), src.step(), dst.data(), dst.step(),
                                               {width, height}, mode),
                  StatusOk);
        ASSERT_EQ(slots::ConvertF32ToS16[0](src.data(), src.step(), expected.data(),
                                            expected.step(), {width, height}, mode),
                  StatusOk);
        for (std::int32_t y = 0; y < height; ++y) {
          for (std::int32_t x = 0; x < width; ++x)
            SimdDiffers(src.at(x, y), mode, &expected.at(x, y));
        }
        ASSERT_EQ(FirstDifference(dst.bytes(), expected.bytes()), -1);
      }
    }
  }
}

// Documented: NaN gives 32767, and under the away rule a value just below one half rounds
// up because 0.5 is added in single precision. Modes 0 and 1 are unaffected by the latter.
TEST(ConvertSimdTest, F32ToS16NaNAndJustBelowHalf) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float below = 0.49999997f;
  const float src[] = {nan, -nan, below, -below, 0.25f, -0.0f};
  const std::int16_t nearOrZero[] = {32767, 32767, 0, 0, 0, 0};
  const std::int16_t away[] = {32767, 32767, 1, -1, 0, 0};
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const RoundMode mode : {0, 1, 2, 9}) {
      std::int16_t dst[6] = {};
      ASSERT_EQ(slots::ConvertF32ToS16[slot](src, 24, dst, 12, {6, 1}, mode), StatusOk);
      for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(dst[i], IsAwayMode(mode) ? away[i] : nearOrZero[i])
            << "slot " << slot << " mode " << mode << " i " << i;
      }
    }
  }
}

TEST(ConvertSimdTest, F32ToS16IgnoresAndRestoresCallerMode) {
  const float src[] = {2.5f, -2.5f, 0.7f, -0.7f, 1.5f};
  const std::int16_t expected[3][5] = {{2, -2, 0, 0, 1}, {2, -2, 1, -1, 2}, {3, -3, 1, -1, 2}};
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const int fpMode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
      for (const RoundMode mode : {0, 1, 2}) {
        std::int16_t dst[5] = {};
        ASSERT_EQ(std::fesetround(fpMode), 0);
        const int before = ProbeRounding();
        const Status status = slots::ConvertF32ToS16[slot](src, 20, dst, 10, {5, 1}, mode);
        const int after = ProbeRounding();
        std::fesetround(FE_TONEAREST);
        ASSERT_EQ(before, fpMode);
        EXPECT_EQ(after, fpMode) << "slot " << slot << " mode " << mode;
        ASSERT_EQ(status, StatusOk);
        for (int k = 0; k < 5; ++k) {
          EXPECT_EQ(dst[k], expected[mode][k]) << "slot " << slot << " mode " << mode << " k " << k;
        }
      }
    }
  }
}

TEST(ConvertSimdTest, ArgumentFailuresMatchGeneric) {
  struct Case {
    bool nullSrc, nullDst;
    ImageSize size;
    std::int32_t srcStep, dstStep;
  };
  const Case cases[] = {{true, false, {4, 2}, 16, 16}, {false, true, {0, 2}, 0, 16},
                        {false, false, {0, 2}, 0, 0},  {false, false, {4, -1}, 16, 16},
                        {false, false, {4, 2}, 0, 16}, {false, false, {4, 2}, 16, -16}};
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    for (const Case& c : cases) {
      std::vector<std::int16_t> shorts(8, 3);
      std::vector<float> floats(8, 3.0f);
      const auto toFloat = [&](std::int32_t s) {
        return slots::ConvertS16ToF32[s](c.nullSrc ? nullptr : shorts.data(), c.srcStep,
                                         c.nullDst ? nullptr : floats.data(), c.dstStep, c.size);
      };
      const auto toShort = [&](std::int32_t s) {
        return slots::ConvertF32ToS16[s](c.nullSrc ? nullptr : floats.data(), c.srcStep,
                                         c.nullDst ? nullptr : shorts.data(), c.dstStep, c.size,
                                         RoundNearestEven);
      };
      EXPECT_EQ(toFloat(slot), toFloat(0));
      EXPECT_EQ(toShort(slot), toShort(0));
      EXPECT_EQ(shorts, std::vector<std::int16_t>(8, 3));
      EXPECT_EQ(floats, std::vector<float>(8, 3.0f));
    }
  }
}

}  // namespace
}  // namespace tessaro
