// ColorMatrixS16C3 and SubConstS16C1: the entries' argument checks, and rounding half to even
// and saturation through the entry and every slot.
#include "primitives/arithmetic.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <random>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::EntryAndSlots;
using testing::GuardedImage;

constexpr std::int16_t kUntouched = 0x5A5A;

// Each case fails one check, or several (the first decides); nothing may be written.
TEST(ArithmeticEntryTest, RefusesArgumentsInOrderAndWritesNothing) {
  struct MatrixCase {
    bool nullSrc, nullDst, nullMatrix;
    ImageSize size;
    std::int32_t srcStep, dstStep;
    Status expected;
  };
  // clang-format off
  const MatrixCase matrixCases[] = {
      {true, false, false, {0, 0}, 0, 0, StatusNullPointer},
      {true, false, false, {0, 1}, 0, 12, StatusNullPointer},
      {false, true, false, {2, 1}, 12, 12, StatusNullPointer},
      {false, false, true, {2, 1}, 12, 12, StatusNullPointer},
      {false, false, true, {-1, 1}, 12, 12, StatusNullPointer},
      {false, false, false, {0, 1}, 0, 12, StatusSizeError},
      {false, false, false, {2, -1}, 12, -12, StatusSizeError},
      {false, false, false, {2, 0}, 0, 0, StatusSizeError},
      {false, false, false, {2, 1}, 0, 12, StatusStepError},
      {false, false, false, {2, 1}, 12, 0, StatusStepError},
      {false, false, false, {2, 1}, 12, -12, StatusStepError},
      {false, false, false, {2, 1}, -12, 12, StatusStepError},
  };
  // clang-format on
  const float matrix[12] = {1, 0, 0, 5, 0, 1, 0, 5, 0, 0, 1, 5};
  const std::int16_t src[6] = {1, 2, 3, 4, 5, 6};
  for (const MatrixCase& k : matrixCases) {
    std::vector<std::int16_t> dst(6, kUntouched);
    EXPECT_EQ(
        ColorMatrixS16C3(k.nullSrc ? nullptr : src, k.srcStep, k.nullDst ? nullptr : dst.data(),
                         k.dstStep, k.size, k.nullMatrix ? nullptr : matrix),
        k.expected);
    EXPECT_EQ(dst, std::vector<std::int16_t>(6, kUntouched));
  }
  // Constant 0 with scale factor 0 leaves the image as it is, but only a valid one.
  struct SubCase {
    bool nullImage;
    ImageSize size;
    std::int32_t value, step, scaleFactor;
    Status expected;
  };
  // clang-format off
  const SubCase subCases[] = {
      {true, {0, -1}, 7, 6, 0, StatusNullPointer},
      {true, {0, 1}, 9, 12, 1, StatusNullPointer},
      {true, {3, 1}, 0, 6, 0, StatusNullPointer},
      {false, {0, 1}, 7, 6, 0, StatusSizeError},
      {false, {0, 1}, 9, 12, 1, StatusSizeError},
      {false, {3, 0}, 7, 6, 0, StatusSizeError},
      {false, {-3, 1}, 7, 6, 0, StatusSizeError},
      {false, {2, -1}, 9, 12, 1, StatusSizeError},
      {false, {-5, 2}, 9, 12, 1, StatusSizeError},
      {false, {0, 1}, 0, 6, 0, StatusSizeError},
  };
  // clang-format on
  for (const SubCase& k : subCases) {
    std::vector<std::int16_t> image(6, 100);
    EXPECT_EQ(
        SubConstS16C1(k.value, k.nullImage ? nullptr : image.data(), k.step, k.size, k.scaleFactor),
        k.expected)
        << "width " << k.size.width << " value " << k.value;
    EXPECT_EQ(image, std::vector<std::int16_t>(6, 100));
  }
}

// Identity copies exactly; a permutation with offset and negation saturates at both ends.
// Padding bytes between the destination rows keep their guard values.
TEST(ColorMatrixS16C3Test, IdentityAndPermutation) {
  const float identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  const float permute[12] = {0, 0, 1, 0, 1, 0, 0, 1, 0, -1, 0, 0};  // (s2, s0 + 1, -s1)
  auto sat = [](int v) {
    return static_cast<std::int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  };
  std::mt19937 rng(5);
  const int width = 13, height = 3;
  GuardedImage<std::int16_t> src(width, height, 3, 3);
  src.Fill([&] {
    const std::uint32_t pick = rng() % 4;
    return pick == 0   ? std::int16_t{-32768}
           : pick == 1 ? std::int16_t{32767}
                       : static_cast<std::int16_t>(rng());
  });
  for (const auto& [colorMatrix, name] : EntryAndSlots(ColorMatrixS16C3, slots::ColorMatrixS16C3)) {
    SCOPED_TRACE(name);
    GuardedImage<std::int16_t> same(width, height, 3, 3), moved(width, height, 3, 6);
    ASSERT_EQ(
        colorMatrix(src.data(), src.step(), same.data(), same.step(), {width, height}, identity),
        StatusOk);
    ASSERT_EQ(
        colorMatrix(src.data(), src.step(), moved.data(), moved.step(), {width, height}, permute),
        StatusOk);
    EXPECT_TRUE(same.GuardsIntact() && moved.GuardsIntact());
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int s0 = src.at(3 * x, y), s1 = src.at(3 * x + 1, y), s2 = src.at(3 * x + 2, y);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(same.at(3 * x + c, y), src.at(3 * x + c, y));
        ASSERT_EQ(moved.at(3 * x, y), s2);
        ASSERT_EQ(moved.at(3 * x + 1, y), sat(s0 + 1));
        ASSERT_EQ(moved.at(3 * x + 2, y), sat(-s1));
      }
  }
}

// One matrix row (shared by all three outputs) applied to one pixel; every sum is exact, so
// the result may not depend on the caller's rounding mode either.
TEST(ColorMatrixS16C3Test, RoundsHalfToEvenAndSaturatesInAnyRoundingMode) {
  struct Case {
    float w0, w1, w2, offset;
    std::int16_t s0, s1, s2, expected;
  };
  const Case cases[] = {
      {1, 0, 0, 0.5f, 0, 0, 0, 0},
      {1, 0, 0, 0.5f, 1, 0, 0, 2},
      {1, 0, 0, 0.5f, 2, 0, 0, 2},
      {1, 0, 0, 0.5f, -1, 0, 0, 0},
      {1, 0, 0, 0.5f, -2, 0, 0, -2},
      {0.5f, 0, 0, 0, 5, 0, 0, 2},
      {0, 0.25f, 0, 0, 0, 6, 0, 2},
      {0, 0, 0.5f, 0, 0, 0, -5, -2},
      {1, 0, 0, 32767.5f, 0, 0, 0, 32767},
      {1, 0, 0, 32766.5f, 0, 0, 0, 32766},
      {1, 0, 0, -32768.5f, 0, 0, 0, -32768},
      {1, 0, 0, -32767.5f, 0, 0, 0, -32768},
      {1, 0, 0, -32766.5f, 0, 0, 0, -32766},
      {1, 1, 1, 0, 32767, 32767, -32768, 32766},
      {1, 1, 1, 0, -32768, -32768, -32768, -32768},
      {3e38f, 0, 0, 3e38f, 32767, 0, 0, 32767},
      {1, 0, 0, -1e9f, 32767, 0, 0, -32768},
  };
  const int modes[] = {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO};
  const int saved = std::fegetround();
  for (int mode : modes) {
    std::fesetround(mode);
    for (const Case& k : cases) {
      const float m[12] = {k.w0, k.w1,     k.w2, k.offset, k.w0, k.w1,
                           k.w2, k.offset, k.w0, k.w1,     k.w2, k.offset};
      const std::int16_t src[3] = {k.s0, k.s1, k.s2};
      for (const auto& [colorMatrix, name] :
           EntryAndSlots(ColorMatrixS16C3, slots::ColorMatrixS16C3)) {
        std::int16_t dst[3] = {};
        EXPECT_EQ(colorMatrix(src, 6, dst, 6, {1, 1}, m), StatusOk);
        EXPECT_TRUE(dst[0] == k.expected && dst[1] == k.expected && dst[2] == k.expected)
            << name << " mode " << mode << " offset " << k.offset << " s0 " << k.s0 << " got "
            << dst[0];
      }
    }
  }
  std::fesetround(saved);
}

// The generic code sums left to right in double and rounds to float once. Float partial sums
// taken left to right land both cases on 1000.5, hence 1000; pairing them as
// (offset + w0 s0) + (w1 s1 + w2 s2) does so for the second.
TEST(ColorMatrixS16C3Test, GenericRoundsTheExactSumOnce) {
  const float u = 0x1p-15f;
  const float m1[12] = {1, u, u, 0.5f, 1, u, u, 0.5f, 1, u, u, 0.5f};
  const float m2[12] = {u, u, -u / 2, 1000.5f, u, u, -u / 2, 1000.5f, u, u, -u / 2, 1000.5f};
  const std::int16_t src1[3] = {1000, 1, 1}, src2[3] = {1, 1, 1};
  std::int16_t dst[3] = {};
  ASSERT_EQ(generic::ColorMatrixS16C3(src1, 6, dst, 6, {1, 1}, m1), StatusOk);
  EXPECT_EQ(dst[0], 1001);  // 1000.5 + 2^-14
  ASSERT_EQ(generic::ColorMatrixS16C3(src2, 6, dst, 6, {1, 1}, m2), StatusOk);
  EXPECT_EQ(dst[0], 1001);  // 1000.5 + 3 * 2^-16 rounds up to 1000.5 + 2^-14
}

// Each case: constant (a 32-bit argument of which the low 16 bits count), scale factor, and
// sample -> expected pairs; hand-computed. Odd cases use a negative step.
TEST(SubConstS16C1Test, ScaleFactorTable) {
  struct Case {
    std::int32_t value, scale;
    std::vector<std::int16_t> in, out;
  };
  const Case cases[] = {
      {2048, 0, {-32000, 2048, 32767, -30720, -30721}, {-32768, 0, 30719, -32768, -32768}},
      {-2048, 0, {32000, 30719, 30720, -32768}, {32767, 32767, 32767, -30720}},
      {0x10000, 0, {-32768, 5, 32767}, {-32768, 5, 32767}},
      {0x1FFFF, 0, {32767, 0, -32768}, {32767, 1, -32767}},
      {0, 1, {1, 3, -1, -3, 2, -2}, {0, 2, 0, -2, 1, -1}},
      {-32768, 1, {32767, -32768}, {32767, 0}},
      {32767, 1, {-32768, 32767}, {-32768, 0}},
      {0, 2, {6, 10, -6, -10, 5, 7, -5, -7}, {2, 2, -2, -2, 1, 2, -1, -2}},
      {-32768, 16, {32767, 0, 16384, -32768}, {1, 0, 1, 0}},
      {32767, 16, {-32768, 0, -1}, {-1, 0, 0}},
      {0, 17, {32767, -32768, 1}, {0, 0, 0}},
      {-32768, INT32_MAX, {32767}, {0}},
      {1, -1, {100, 16384, -16384, -16383}, {198, 32766, -32768, -32768}},
      {0, -15, {1, 0, -1}, {32767, 0, -32768}},
      {-32768, -15, {32767, -32768}, {32767, 0}},
      {5, -16, {6, 5, 4, 32767, -32768}, {32767, 0, -32768, 32767, -32768}},
      {0, INT32_MIN, {1, 0, -1}, {32767, 0, -32768}},
  };
  for (std::size_t n = 0; n < std::size(cases); ++n) {
    const Case& k = cases[n];
    const int width = static_cast<int>(k.in.size());
    for (const auto& [subConst, name] : EntryAndSlots(SubConstS16C1, slots::SubConstS16C1)) {
      GuardedImage<std::int16_t> image(width, 2, 1, 2, n % 2 == 1);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < width; ++x) image.at(x, y) = k.in[x];
      ASSERT_EQ(subConst(k.value, image.data(), image.step(), {width, 2}, k.scale), StatusOk);
      EXPECT_TRUE(image.GuardsIntact()) << name << " case " << n;
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < width; ++x)
          EXPECT_EQ(image.at(x, y), k.out[x]) << name << " case " << n;
    }
  }
}

}  // namespace
}  // namespace tessaro
