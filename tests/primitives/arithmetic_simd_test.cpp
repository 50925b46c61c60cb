// Every SIMD slot of ColorMatrixS16C3 and SubConstS16C1 against the generic slot, on seeded
// images with guard bytes around and between the rows. The colour matrix may differ by one
// near a half, as arithmetic.h states; the subtraction gives the same bits.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::Fill;
using testing::FirstDifference;
using testing::GuardedImage;
using testing::HighestRunnableSlot;
using testing::ProbeRounding;
using testing::Random;
using testing::RandomS16;

const testing::SlotSweep kSweep{.heights = {1, 2, 3, 4}};

// Weights from small fractions to saturating gains, offsets often on a half; |offset| +
// sum |wi si| stays below 2^21, where the rule of arithmetic.h holds.
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

// The rule of arithmetic.h for one output sample of weights w from pixel s: equal, or one
// apart where the exact sum lies within 3 * 2^-24 * (|offset| + sum |wi si|) of a half.
bool MatrixSamplesAgree(const float* w, const std::int16_t* s, std::int16_t want,
                        std::int16_t got) {
  if (got == want) return true;
  // Products of a float and a 16-bit sample are exact in double; the sum's error, at most
  // 3 * 2^-53 of the magnitudes, is covered by the margin on the bound.
  const double terms[4] = {w[3], double{w[0]} * s[0], double{w[1]} * s[1], double{w[2]} * s[2]};
  const double exact = ((terms[0] + terms[1]) + terms[2]) + terms[3];
  const double magnitude =
      std::fabs(terms[0]) + std::fabs(terms[1]) + std::fabs(terms[2]) + std::fabs(terms[3]);
  const double bound = 0x3p-24 * magnitude * (1 + 0x1p-20);
  return std::abs(got - want) == 1 && std::fabs(exact - (std::floor(exact) + 0.5)) <= bound;
}

TEST(ArithmeticSimdTest, ColorMatrixMatchesGenericButNearHalves) {
  testing::ForEverySlot(
      "ColorMatrixS16C3",
      [](testing::SlotCase& c) {
        float m[12];
        RandomMatrix(c.rng, m);
        GuardedImage<std::int16_t> src = c.S16(3);
        GuardedImage<std::int16_t> want(c.size.width, c.size.height, 3, c.Pad()), got = want;
        const auto run = [&](std::int32_t slot, GuardedImage<std::int16_t>& from,
                             GuardedImage<std::int16_t>& to) {
          return slots::ColorMatrixS16C3[slot](from.data(), from.step(), to.data(), to.step(),
                                               c.size, m);
        };
        ASSERT_EQ(run(0, src, want), StatusOk);
        ASSERT_EQ(run(c.slot, src, got), StatusOk);
        ASSERT_TRUE(testing::ImagesAgree(
            want, got, [&](std::int16_t w, std::int16_t g, std::int32_t x, std::int32_t y) {
              return MatrixSamplesAgree(m + 4 * (x % 3), &src.at(x - x % 3, y), w, g);
            }));
        // In place: every pixel is read before it is written, so the result is the same.
        GuardedImage<std::int16_t> inPlace = src, expected = src;
        ASSERT_EQ(run(c.slot, inPlace, inPlace), StatusOk);
        for (std::int32_t y = 0; y < c.size.height; ++y) {
          for (std::int32_t x = 0; x < 3 * c.size.width; ++x) expected.at(x, y) = got.at(x, y);
        }
        ASSERT_EQ(FirstDifference(expected.bytes(), inPlace.bytes()), -1) << "in place";
      },
      kSweep);
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
  testing::ForEverySlot(
      "SubConstS16C1",
      [&](testing::SlotCase& c) {
        for (std::size_t n = 0; n < std::size(scales); ++n) {
          SCOPED_TRACE("scale " + std::to_string(scales[n]));
          // The first zero scale runs with constant 0: the image must not be written at all.
          // High bits of the 32-bit constant must be ignored.
          const std::int32_t value =
              n == 0 ? static_cast<std::int32_t>(c.rng.Next() & 0xFFFF0000u)
                     : (c.rng.OneIn(3) ? RandomS16(c.rng, Fill::kExtremes)
                                       : static_cast<std::int32_t>(c.rng.Next()));
          GuardedImage<std::int16_t> got = c.S16(1), want = got;
          // Every other run goes bottom-up behind a negative step, which is not validated.
          const bool upward = (c.seed + n) % 2 == 1;
          const std::int32_t step = upward ? -got.step() : got.step();
          const std::int32_t first = upward ? c.size.height - 1 : 0;
          ASSERT_EQ(slots::SubConstS16C1[c.slot](value, &got.at(0, first), step, c.size, scales[n]),
                    StatusOk);
          ASSERT_EQ(slots::SubConstS16C1[0](value, &want.at(0, first), step, c.size, scales[n]),
                    StatusOk);
          ASSERT_EQ(FirstDifference(want.bytes(), got.bytes()), -1);
        }
      },
      kSweep);
}

}  // namespace
}  // namespace tessaro
