// Every SIMD slot of ConvertS16ToF32 and ConvertF32ToS16 against the generic slot, on seeded
// images with guard bytes around and between the rows: the same bytes, but for the two
// differences convert.h states for ConvertF32ToS16.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::FirstDifference;
using testing::GuardedImage;
using testing::HighestRunnableSlot;
using testing::ProbeRounding;

const testing::SlotSweep kSweep{.heights = {1, 2, 3, 4}};

bool IsAwayMode(RoundMode mode) {
  return mode != RoundTowardZero && mode != RoundNearestEven;
}

// A tight image has no padding; with both sides tight the rows are converted as one long row.
std::int32_t PadOf(testing::SlotCase& c, bool tight) {
  return tight ? 0 : c.Pad();
}

TEST(ConvertSimdTest, S16ToF32MatchesGeneric) {
  testing::ForEverySlot(
      "ConvertS16ToF32",
      [](testing::SlotCase& c) {
        const bool tight = c.rng.OneIn(4);
        GuardedImage<std::int16_t> src(c.size.width, c.size.height, 1, PadOf(c, tight));
        src.Fill([&] { return testing::RandomS16(c.rng, c.fill); });
        GuardedImage<float> want(c.size.width, c.size.height, 1, PadOf(c, tight)), got = want;
        ASSERT_EQ(
            slots::ConvertS16ToF32[0](src.data(), src.step(), want.data(), want.step(), c.size),
            StatusOk);
        ASSERT_EQ(
            slots::ConvertS16ToF32[c.slot](src.data(), src.step(), got.data(), got.step(), c.size),
            StatusOk);
        ASSERT_EQ(FirstDifference(want.bytes(), got.bytes()), -1);
      },
      kSweep);
}

// The rule of convert.h for the SIMD slots: not-a-number gives 32767 and, under the away
// rule, the float just below one half gives 1 with its sign; every other sample as generic.
TEST(ConvertSimdTest, F32ToS16MatchesGenericButForNaNAndJustBelowHalf) {
  const float belowHalf = std::nextafter(0.5f, 0.0f);
  testing::ForEverySlot(
      "ConvertF32ToS16",
      [&](testing::SlotCase& c) {
        const bool tight = c.rng.OneIn(4);
        GuardedImage<float> src(c.size.width, c.size.height, 1, PadOf(c, tight));
        src.Fill([&] { return testing::RandomF32(c.rng, c.fill, true); });
        for (const RoundMode mode : {0, 1, 2, -1, 7}) {
          SCOPED_TRACE("mode " + std::to_string(mode));
          GuardedImage<std::int16_t> want(c.size.width, c.size.height, 1, PadOf(c, tight));
          GuardedImage<std::int16_t> got = want;
          ASSERT_EQ(slots::ConvertF32ToS16[0](src.data(), src.step(), want.data(), want.step(),
                                              c.size, mode),
                    StatusOk);
          ASSERT_EQ(slots::ConvertF32ToS16[c.slot](src.data(), src.step(), got.data(), got.step(),
                                                   c.size, mode),
                    StatusOk);
          ASSERT_TRUE(testing::ImagesAgree(
              want, got, [&](std::int16_t w, std::int16_t g, std::int32_t x, std::int32_t y) {
                const float v = src.at(x, y);
                if (std::isnan(v)) return g == 32767;
                if (IsAwayMode(mode) && std::fabs(v) == belowHalf) return g == (v < 0 ? -1 : 1);
                return g == w;
              }));
        }
      },
      kSweep);
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

}  // namespace
}  // namespace tessaro
