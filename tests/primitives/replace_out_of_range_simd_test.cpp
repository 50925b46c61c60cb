// Every slot of the out-of-range replacement against the generic slot, byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
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
using testing::Random;

constexpr Fill kFills[] = {Fill::kUniform, Fill::kExtremes, Fill::kSmall, Fill::kMixed};

std::uint32_t Bits(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

float FromBits(std::uint32_t b) {
  float f;
  std::memcpy(&f, &b, 4);
  return f;
}

// Four 16-bit arguments with junk above the low 16 bits; low <= high as 16-bit values.
struct S16Args {
  std::int32_t lowT, lowV, highT, highV;
};

S16Args RandomS16Args(Random& rng, Fill fill) {
  if (rng.OneIn(4)) return {0, 0, 4080, 4080};  // the filters' clamp
  auto lo = testing::RandomS16(rng, fill), hi = testing::RandomS16(rng, fill);
  if (rng.OneIn(8)) hi = lo;
  if (lo > hi) std::swap(lo, hi);
  const auto junk = [&] { return static_cast<std::int32_t>(rng.Next() << 16); };
  return {lo ^ junk(), testing::RandomS16(rng, fill) ^ junk(), hi ^ junk(),
          testing::RandomS16(rng, fill) ^ junk()};
}

TEST(ReplaceOutOfRangeSimd, S16MatchesGeneric) {
  const auto& table = slots::ReplaceOutOfRangeS16C1;
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const std::int32_t width : DifferentialWidths()) {
      const std::uint64_t seed = static_cast<std::uint64_t>(slot) * 100003u + width;
      SCOPED_TRACE("slot " + std::to_string(slot) + " seed " + std::to_string(seed));
      Random rng(seed);
      const Fill fill = kFills[rng.Next() % 4];
      const std::int32_t height = width > 1000 ? 2 : rng.Range(1, 4);
      GuardedImage<std::int16_t> expected(width, height, 1, rng.Range(0, 9));
      expected.Fill([&] { return testing::RandomS16(rng, fill); });
      GuardedImage<std::int16_t> actual = expected;
      const S16Args a = RandomS16Args(rng, fill);
      const ImageSize size{width, height};
      ASSERT_EQ(table[slot](actual.data(), actual.step(), size, a.lowT, a.lowV, a.highT, a.highV),
                table[0](expected.data(), expected.step(), size, a.lowT, a.lowV, a.highT, a.highV));
      ASSERT_EQ(FirstDifference(expected.bytes(), actual.bytes()), -1);
    }
  }
}

// Steps and starts that are no whole number of samples: rows never reach vector alignment.
TEST(ReplaceOutOfRangeSimd, OddByteStepsMatchGeneric) {
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const std::int32_t width : {1, 7, 8, 9, 17, 33, 67, 129}) {
      SCOPED_TRACE("slot " + std::to_string(slot) + " width " + std::to_string(width));
      Random rng(static_cast<std::uint64_t>(slot) * 977u + width);
      const std::int32_t height = 3;
      for (const std::int32_t sampleBytes : {2, 4}) {
        const std::int32_t step = sampleBytes * width + (sampleBytes == 2 ? 1 : 3);
        std::vector<std::uint8_t> expected(static_cast<std::size_t>(step * height + 40));
        for (auto& b : expected) b = static_cast<std::uint8_t>(rng.Next());
        if (sampleBytes == 4) {  // keep NaN and -0.0 out: those are documented differences
          for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
              const float v = static_cast<float>(rng.Range(-3000, 3000)) * 0.25f + 0.125f;
              std::memcpy(expected.data() + 1 + y * step + 4 * x, &v, 4);
            }
          }
        }
        std::vector<std::uint8_t> actual = expected;
        const ImageSize size{width, height};
        if (sampleBytes == 2) {
          auto* e = reinterpret_cast<std::int16_t*>(expected.data() + 1);
          auto* r = reinterpret_cast<std::int16_t*>(actual.data() + 1);
          EXPECT_EQ(slots::ReplaceOutOfRangeS16C1[slot](r, step, size, -300, 7, 300, -9),
                    slots::ReplaceOutOfRangeS16C1[0](e, step, size, -300, 7, 300, -9));
        } else {
          auto* e = reinterpret_cast<float*>(expected.data() + 1);
          auto* r = reinterpret_cast<float*>(actual.data() + 1);
          EXPECT_EQ(slots::ReplaceOutOfRangeF32C1[slot](r, step, size, -100.f, 7.f, 100.f, -9.f),
                    slots::ReplaceOutOfRangeF32C1[0](e, step, size, -100.f, 7.f, 100.f, -9.f));
        }
        EXPECT_EQ(FirstDifference(expected, actual), -1) << sampleBytes << "-byte samples";
      }
    }
  }
}

// Thresholds may be any float including NaN; samples avoid the documented differences
// (NaN samples, and -0.0 samples under a +0.0 low threshold).
TEST(ReplaceOutOfRangeSimd, F32MatchesGenericOnNumbers) {
  const auto& table = slots::ReplaceOutOfRangeF32C1;
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const std::int32_t width : DifferentialWidths()) {
      const std::uint64_t seed = static_cast<std::uint64_t>(slot) * 200003u + width;
      SCOPED_TRACE("slot " + std::to_string(slot) + " seed " + std::to_string(seed));
      Random rng(seed);
      const Fill fill = kFills[rng.Next() % 4];
      const std::int32_t height = width > 1000 ? 2 : rng.Range(1, 4);
      float lowT = testing::RandomF32(rng, fill, true), highT = testing::RandomF32(rng, fill, true);
      if (rng.OneIn(4)) {
        lowT = 0.0f;
        highT = 1.0f;
      } else if (lowT > highT) {
        std::swap(lowT, highT);
      }
      const float lowV = testing::RandomF32(rng, fill, true);
      const float highV = testing::RandomF32(rng, fill, true);
      const bool lowIsPlusZero = Bits(lowT) == 0;
      GuardedImage<float> expected(width, height, 1, rng.Range(0, 9));
      expected.Fill([&] {
        float v = testing::RandomF32(rng, fill, true);
        if (std::isnan(v)) v = static_cast<float>(rng.Range(-5, 5));
        if (lowIsPlusZero && Bits(v) == 0x80000000u) v = 0.0f;
        return v;
      });
      GuardedImage<float> actual = expected;
      const ImageSize size{width, height};
      ASSERT_EQ(table[slot](actual.data(), actual.step(), size, lowT, lowV, highT, highV),
                table[0](expected.data(), expected.step(), size, lowT, lowV, highT, highV));
      ASSERT_EQ(FirstDifference(expected.bytes(), actual.bytes()), -1)
          << "thresholds " << lowT << " " << highT;
    }
  }
}

// The SIMD slots' own float rule: ordinary comparison, so -0.0 equals +0.0 and stays, and
// every NaN goes to the low value whatever its sign. Widths cover heads, vectors and tails.
TEST(ReplaceOutOfRangeSimd, F32SignedZeroAndNaNFollowOrdinaryComparison) {
  const float samples[] = {-0.0f,
                           FromBits(0x7FC00000u),
                           FromBits(0xFFC00000u),
                           FromBits(0x7F800001u),
                           FromBits(0xFFFFFFFFu),
                           0.5f,
                           2.0f};
  const float results[] = {-0.0f, 7.0f, 7.0f, 7.0f, 7.0f, 0.5f, 9.0f};
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (std::int32_t width = 1; width <= 40; ++width) {
      SCOPED_TRACE("slot " + std::to_string(slot) + " width " + std::to_string(width));
      GuardedImage<float> image(width, 2, 1, width % 3);
      std::int32_t i = 0;
      image.Fill([&] { return samples[i++ % 7]; });
      ASSERT_EQ(slots::ReplaceOutOfRangeF32C1[slot](image.data(), image.step(), {width, 2}, 0.0f,
                                                    7.0f, 1.0f, 9.0f),
                StatusOk);
      for (std::int32_t k = 0; k < 2 * width; ++k) {
        ASSERT_EQ(Bits(image.at(k % width, k / width)), Bits(results[k % 7])) << "sample " << k;
      }
    }
  }
}

TEST(ReplaceOutOfRangeSimd, ArgumentFailuresMatchGeneric) {
  struct Case {
    bool null;
    ImageSize size;
    std::int32_t step, lowT, highT;
  };
  const Case cases[] = {{true, {0, 0}, 0, 5, 1},
                        {false, {0, 3}, 0, 5, 1},
                        {false, {9, -1}, 0, 5, 1},
                        {false, {9, 3}, 0, 5, 1},
                        {false, {9, 3}, -64, 0, 1},
                        {false, {9, 3}, 64, 5, 1},
                        {false, {9, 3}, 64, 0x10005, 0x0001}};
  for (std::int32_t slot = 1; slot <= HighestRunnableSlot(); ++slot) {
    for (const Case& c : cases) {
      SCOPED_TRACE("slot " + std::to_string(slot) + " step " + std::to_string(c.step));
      GuardedImage<std::int16_t> shorts(9, 3, 1, 23);
      GuardedImage<float> floats(9, 3, 1, 7);
      shorts.Fill([] { return std::int16_t{-30000}; });
      floats.Fill([] { return -3e4f; });
      const auto shortsBefore = shorts.bytes();
      const auto floatsBefore = floats.bytes();
      std::int16_t* s = c.null ? nullptr : shorts.data();
      float* f = c.null ? nullptr : floats.data();
      EXPECT_EQ(slots::ReplaceOutOfRangeS16C1[slot](s, c.step, c.size, c.lowT, 0, c.highT, 0),
                slots::ReplaceOutOfRangeS16C1[0](s, c.step, c.size, c.lowT, 0, c.highT, 0));
      const float lowT = static_cast<float>(static_cast<std::int16_t>(c.lowT));
      const float highT = static_cast<float>(c.highT);
      EXPECT_EQ(slots::ReplaceOutOfRangeF32C1[slot](f, c.step, c.size, lowT, 0.f, highT, 0.f),
                slots::ReplaceOutOfRangeF32C1[0](f, c.step, c.size, lowT, 0.f, highT, 0.f));
      EXPECT_EQ(FirstDifference(shortsBefore, shorts.bytes()), -1);
      EXPECT_EQ(FirstDifference(floatsBefore, floats.bytes()), -1);
    }
  }
}

}  // namespace
}  // namespace tessaro
