// Every slot of the out-of-range replacement against the generic slot: the same bytes, but
// for the two float differences replace_out_of_range.h states.
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

using testing::Fill;
using testing::FirstDifference;
using testing::GuardedImage;
using testing::HighestRunnableSlot;
using testing::Random;

const testing::SlotSweep kSweep{.heights = {1, 2, 3, 4}};

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
  testing::ForEverySlot(
      "ReplaceOutOfRangeS16C1",
      [](testing::SlotCase& c) {
        GuardedImage<std::int16_t> want = c.S16(1), got = want;
        const S16Args a = RandomS16Args(c.rng, c.fill);
        ASSERT_EQ(slots::ReplaceOutOfRangeS16C1[c.slot](got.data(), got.step(), c.size, a.lowT,
                                                        a.lowV, a.highT, a.highV),
                  slots::ReplaceOutOfRangeS16C1[0](want.data(), want.step(), c.size, a.lowT, a.lowV,
                                                   a.highT, a.highV));
        ASSERT_EQ(FirstDifference(want.bytes(), got.bytes()), -1);
      },
      kSweep);
}

// Steps and starts that are no whole number of samples: rows never reach vector alignment.
TEST(ReplaceOutOfRangeSimd, OddByteStepsMatchGeneric) {
  testing::ForEverySlot(
      "ReplaceOutOfRange at odd byte steps",
      [](testing::SlotCase& c) {
        const auto [width, height] = c.size;
        for (const std::int32_t sampleBytes : {2, 4}) {
          const std::int32_t step = sampleBytes * width + (sampleBytes == 2 ? 1 : 3);
          std::vector<std::uint8_t> want(static_cast<std::size_t>(step * height + 40));
          for (auto& b : want) b = static_cast<std::uint8_t>(c.rng.Next());
          if (sampleBytes == 4) {  // numbers only: -0.0 and NaN are covered below
            for (std::int32_t y = 0; y < height; ++y) {
              for (std::int32_t x = 0; x < width; ++x) {
                const float v = static_cast<float>(c.rng.Range(-3000, 3000)) * 0.25f + 0.125f;
                std::memcpy(want.data() + 1 + y * step + 4 * x, &v, 4);
              }
            }
          }
          std::vector<std::uint8_t> got = want;
          if (sampleBytes == 2) {
            auto* w = reinterpret_cast<std::int16_t*>(want.data() + 1);
            auto* g = reinterpret_cast<std::int16_t*>(got.data() + 1);
            EXPECT_EQ(slots::ReplaceOutOfRangeS16C1[c.slot](g, step, c.size, -300, 7, 300, -9),
                      slots::ReplaceOutOfRangeS16C1[0](w, step, c.size, -300, 7, 300, -9));
          } else {
            auto* w = reinterpret_cast<float*>(want.data() + 1);
            auto* g = reinterpret_cast<float*>(got.data() + 1);
            EXPECT_EQ(
                slots::ReplaceOutOfRangeF32C1[c.slot](g, step, c.size, -100.f, 7.f, 100.f, -9.f),
                slots::ReplaceOutOfRangeF32C1[0](w, step, c.size, -100.f, 7.f, 100.f, -9.f));
          }
          ASSERT_EQ(FirstDifference(want, got), -1) << sampleBytes << "-byte samples";
        }
      },
      {.heights = {3}, .widths = {1, 7, 8, 9, 17, 33, 67, 129}});
}

// Thresholds may be any float including NaN; samples include NaNs of either sign and payload
// and both zeros, a quarter of the cases under the thresholds +0.0 and 1. The rule of
// replace_out_of_range.h: a NaN sample takes the low value, a -0.0 sample under a low
// threshold of +0.0 stays, every other sample as generic.
TEST(ReplaceOutOfRangeSimd, F32MatchesGenericButForSignedZeroAndNaN) {
  const std::uint32_t nans[] = {0x7FC00000u, 0xFFC00000u, 0x7F800001u, 0xFFFFFFFFu};
  testing::ForEverySlot(
      "ReplaceOutOfRangeF32C1",
      [&](testing::SlotCase& c) {
        float lowT = testing::RandomF32(c.rng, c.fill, true);
        float highT = testing::RandomF32(c.rng, c.fill, true);
        if (c.rng.OneIn(4)) {
          lowT = 0.0f;
          highT = 1.0f;
        } else if (lowT > highT) {
          std::swap(lowT, highT);
        }
        const float lowV = testing::RandomF32(c.rng, c.fill, true);
        const float highV = testing::RandomF32(c.rng, c.fill, true);
        GuardedImage<float> input(c.size.width, c.size.height, 1, c.Pad());
        input.Fill([&] {
          return c.rng.OneIn(16) ? FromBits(nans[c.rng.Next() % 4])
                                 : testing::RandomF32(c.rng, c.fill, true);
        });
        GuardedImage<float> want = input, got = input;
        ASSERT_EQ(slots::ReplaceOutOfRangeF32C1[c.slot](got.data(), got.step(), c.size, lowT, lowV,
                                                        highT, highV),
                  slots::ReplaceOutOfRangeF32C1[0](want.data(), want.step(), c.size, lowT, lowV,
                                                   highT, highV));
        const auto agree = [&](float w, float g, std::int32_t x, std::int32_t y) {
          const float v = input.at(x, y);
          if (std::isnan(v)) return Bits(g) == Bits(lowV);
          if (Bits(v) == 0x80000000u && Bits(lowT) == 0) return Bits(g) == Bits(v);
          return Bits(g) == Bits(w);
        };
        ASSERT_TRUE(testing::ImagesAgree(want, got, agree))
            << "thresholds " << lowT << " " << highT;
      },
      kSweep);
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

}  // namespace
}  // namespace tessaro
