// Conversions between 16-bit and float images: the entries' argument checks, and known answers
// through the entry and every slot.
#include "primitives/convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::EntryAndSlots;
using testing::kInf;

constexpr std::byte kGuard{0x5A};

// A 16-bit and a float image of one size, each row followed by its own padding, with
// guard bytes everywhere outside the samples.
struct ImagePair {
  ImagePair(ImageSize s, std::int32_t shortPad, std::int32_t floatPad)
      : size(s),
        shortStep(2 * s.width + shortPad),
        floatStep(4 * s.width + floatPad),
        shorts(static_cast<std::size_t>(shortStep * s.height + 16), kGuard),
        floats(static_cast<std::size_t>(floatStep * s.height + 16), kGuard) {}
  std::byte* Short(std::vector<std::byte>& image, int x, int y) const {
    return image.data() + y * shortStep + 2 * x;
  }
  std::byte* Float(std::vector<std::byte>& image, int x, int y) const {
    return image.data() + y * floatStep + 4 * x;
  }
  ImageSize size;
  std::int32_t shortStep, floatStep;
  std::vector<std::byte> shorts, floats;
};

// Spread over the whole range, both ends included.
std::int16_t Sample(int x, int y) {
  if (x == 0) return y % 2 == 0 ? -32768 : 32767;
  return static_cast<std::int16_t>((x * 7919 + y * 104729) % 65536 - 32768);
}

// Each case fails one check, or several (the first decides); nothing may be written.
TEST(ConvertEntryTest, RefusesArgumentsInOrderAndWritesNothing) {
  struct Case {
    bool nullSrc, nullDst;
    ImageSize size;
    std::int32_t srcStep, dstStep;
    Status expected;
  };
  // clang-format off
  const Case cases[] = {
      {true, false, {4, 2}, 16, 16, StatusNullPointer},
      {false, true, {0, 2}, 16, 16, StatusNullPointer},
      {false, true, {0, 2}, 0, 16, StatusNullPointer},
      {true, true, {4, 2}, 0, 0, StatusNullPointer},
      {false, false, {0, 2}, 16, 16, StatusSizeError},
      {false, false, {4, -1}, 16, 16, StatusSizeError},
      {false, false, {0, 2}, 0, 0, StatusSizeError},
      {false, false, {4, 2}, 0, 16, StatusStepError},
      {false, false, {4, 2}, 16, -16, StatusStepError},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE("width " + std::to_string(c.size.width) + " steps " + std::to_string(c.srcStep) +
                 ", " + std::to_string(c.dstStep));
    std::int16_t shorts[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    float floats[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ConvertS16ToF32(c.nullSrc ? nullptr : shorts, c.srcStep, c.nullDst ? nullptr : floats,
                              c.dstStep, c.size),
              c.expected);
    EXPECT_EQ(ConvertF32ToS16(c.nullSrc ? nullptr : floats, c.srcStep, c.nullDst ? nullptr : shorts,
                              c.dstStep, c.size, RoundNearestEven),
              c.expected);
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(shorts[k], k + 1);
      EXPECT_EQ(floats[k], k + 1);
    }
  }
}

// Contiguous pairs take the one-long-row path; the others must not, even when one side is
// unpadded or the steps still differ by a factor of two.
TEST(ConvertTest, EveryLayoutConvertsExactlyTheRegion) {
  struct Layout {
    ImageSize size;
    std::int32_t shortPad, floatPad;
    bool genericOnly;  // rows not aligned to their sample size: the generic slot's own case
  };
  // clang-format off
  const Layout layouts[] = {
      {{1, 1}, 0, 0, false},   {{7, 5}, 0, 0, false},  {{37, 3}, 0, 0, false},
      {{7, 5}, 0, 12, false},  {{7, 5}, 6, 0, false},  {{37, 3}, 10, 20, false},
      {{16, 4}, 4, 8, false},  {{5, 3}, 1, 2, true},
  };
  // clang-format on
  for (const Layout& l : layouts) {
    const auto toFloat = l.genericOnly ? testing::Slots(slots::ConvertS16ToF32, 0, 0)
                                       : EntryAndSlots(ConvertS16ToF32, slots::ConvertS16ToF32);
    const auto toShort = l.genericOnly ? testing::Slots(slots::ConvertF32ToS16, 0, 0)
                                       : EntryAndSlots(ConvertF32ToS16, slots::ConvertF32ToS16);
    for (std::size_t i = 0; i < toFloat.size(); ++i) {
      SCOPED_TRACE(toFloat[i].name + " width " + std::to_string(l.size.width) + " pads " +
                   std::to_string(l.shortPad) + "/" + std::to_string(l.floatPad));
      ImagePair in(l.size, l.shortPad, l.floatPad), out = in;
      for (int y = 0; y < l.size.height; ++y) {
        for (int x = 0; x < l.size.width; ++x) {
          const std::int16_t v = Sample(x, y);
          // A quarter off the integer, either way: rounds back to v (or saturates to it).
          const float nearV = v + ((x + y) % 2 == 0 ? 0.25f : -0.25f);
          const float exactV = v;
          std::memcpy(in.Short(in.shorts, x, y), &v, 2);
          std::memcpy(in.Float(in.floats, x, y), &nearV, 4);
          std::memcpy(out.Short(out.shorts, x, y), &v, 2);
          std::memcpy(out.Float(out.floats, x, y), &exactV, 4);
        }
      }
      ImagePair run = in;
      ASSERT_EQ(
          toFloat[i].fn(reinterpret_cast<const std::int16_t*>(run.shorts.data()), run.shortStep,
                        reinterpret_cast<float*>(run.floats.data()), run.floatStep, l.size),
          StatusOk);
      EXPECT_TRUE(run.floats == out.floats);
      run = in;
      ASSERT_EQ(toShort[i].fn(reinterpret_cast<const float*>(run.floats.data()), run.floatStep,
                              reinterpret_cast<std::int16_t*>(run.shorts.data()), run.shortStep,
                              l.size, RoundNearestEven),
                StatusOk);
      EXPECT_TRUE(run.shorts == out.shorts);
    }
  }
}

TEST(ConvertTest, RoundingAndSaturation) {
  struct Case {
    float x;
    std::int16_t towardZero, nearestEven, nearestAway;
  };
  // clang-format off
  const Case cases[] = {
      {2.5f, 2, 2, 3}, {3.5f, 3, 4, 4}, {-2.5f, -2, -2, -3}, {-0.5f, 0, 0, -1},
      {0.5f, 0, 0, 1}, {1.5f, 1, 2, 2}, {-1.5f, -1, -2, -2}, {2.9f, 2, 3, 3},
      {-2.9f, -2, -3, -3}, {2.4f, 2, 2, 2}, {-2.4f, -2, -2, -2}, {0.0f, 0, 0, 0},
      {-0.0f, 0, 0, 0}, {1e-30f, 0, 0, 0}, {-1e-45f, 0, 0, 0},
      {32766.5f, 32766, 32766, 32767}, {32766.6f, 32766, 32767, 32767},
      {32767.0f, 32767, 32767, 32767}, {32767.4f, 32767, 32767, 32767},
      {40000.0f, 32767, 32767, 32767}, {kInf, 32767, 32767, 32767},
      {-32767.5f, -32767, -32768, -32768}, {-32768.0f, -32768, -32768, -32768},
      {-32768.4f, -32768, -32768, -32768}, {-40000.0f, -32768, -32768, -32768},
      {-kInf, -32768, -32768, -32768},
  };
  // clang-format on
  const RoundMode modes[] = {0, 1, 2, 3, 7, -1, INT32_MIN};
  std::vector<float> src;
  for (const Case& c : cases) src.push_back(c.x);
  const auto width = static_cast<std::int32_t>(src.size());
  for (const auto& [toShort, name] : EntryAndSlots(ConvertF32ToS16, slots::ConvertF32ToS16)) {
    for (const RoundMode mode : modes) {
      std::vector<std::int16_t> dst(src.size() + 1, 0x5A5A);
      ASSERT_EQ(toShort(src.data(), 4 * width, dst.data(), 2 * width, {width, 1}, mode), StatusOk);
      for (std::size_t k = 0; k < src.size(); ++k) {
        const Case& c = cases[k];
        EXPECT_EQ(dst[k], mode == 0   ? c.towardZero
                          : mode == 1 ? c.nearestEven
                                      : c.nearestAway)
            << name << " mode " << mode << " x " << c.x;
      }
      EXPECT_EQ(dst.back(), 0x5A5A);
    }
  }
}

// SIMD slots round 0.49999997 up under the away rule and store 32767 for NaN.
TEST(ConvertTest, GenericSlotNaNAndJustBelowHalf) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float belowHalf = 0.49999997f;
  const float src[] = {nan, -nan, belowHalf, -belowHalf};
  for (const RoundMode mode : {0, 1, 2}) {
    std::int16_t dst[4] = {9, 9, 9, 9};
    ASSERT_EQ(slots::ConvertF32ToS16[0](src, 16, dst, 8, {4, 1}, mode), StatusOk);
    for (const std::int16_t v : dst) EXPECT_EQ(v, 0) << "mode " << mode;
  }
}

// Destination rows two samples apart: each row overwrites the tail of the one above.
TEST(ConvertTest, OverlappingDestinationRowsWrittenTopToBottom) {
  const int kExpected[] = {0, 1, 10, 11, 20, 21, 22, 23};
  const auto toFloat = EntryAndSlots(ConvertS16ToF32, slots::ConvertS16ToF32);
  const auto toShort = EntryAndSlots(ConvertF32ToS16, slots::ConvertF32ToS16);
  for (std::size_t i = 0; i < toFloat.size(); ++i) {
    SCOPED_TRACE(toFloat[i].name);
    std::int16_t shortRows[12];
    float floatRows[12];
    for (int k = 0; k < 12; ++k) {
      shortRows[k] = static_cast<std::int16_t>(10 * (k / 4) + k % 4);
      floatRows[k] = shortRows[k];
    }
    std::int16_t shorts[9];
    float floats[9];
    std::fill(std::begin(shorts), std::end(shorts), std::int16_t{-1});
    std::fill(std::begin(floats), std::end(floats), -1.0f);
    ASSERT_EQ(toFloat[i].fn(shortRows, 8, floats, 8, {4, 3}), StatusOk);
    ASSERT_EQ(toShort[i].fn(floatRows, 16, shorts, 4, {4, 3}, RoundNearestEven), StatusOk);
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(floats[k], kExpected[k]) << k;
      EXPECT_EQ(shorts[k], kExpected[k]) << k;
    }
    EXPECT_EQ(floats[8], -1.0f);
    EXPECT_EQ(shorts[8], -1);
  }
}

TEST(ConvertTest, CallerRoundingModeNeitherMattersNorChanges) {
  const float src[] = {2.5f, -2.5f, 0.7f, -0.7f};
  const std::int16_t expected[3][4] = {{2, -2, 0, 0}, {2, -2, 1, -1}, {3, -3, 1, -1}};
  const auto paths = EntryAndSlots(ConvertF32ToS16, slots::ConvertF32ToS16);
  for (const int fpMode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    for (const auto& [toShort, name] : paths) {
      for (const RoundMode mode : {0, 1, 2}) {
        std::int16_t dst[4] = {};
        ASSERT_EQ(std::fesetround(fpMode), 0);
        const Status status = toShort(src, 16, dst, 8, {4, 1}, mode);
        const int after = std::fegetround();
        std::fesetround(FE_TONEAREST);
        ASSERT_EQ(status, StatusOk);
        EXPECT_EQ(after, fpMode) << name << " mode " << mode;
        for (int k = 0; k < 4; ++k) {
          EXPECT_EQ(dst[k], expected[mode][k]) << name << " mode " << mode << " k " << k;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessaro
