// Out-of-range replacement on 16-bit and float images: the entries' argument checks, and known
// answers through the entry and every slot.
#include "primitives/replace_out_of_range.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::EntryAndSlots;
using testing::GuardedImage;
using testing::kInf;
using testing::kNaN;

float FromBits(std::uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

// Lays `in` out as three rows with `pad` guard bytes after each, runs `call` on it and
// expects every row to read `out` byte for byte (so -0.0 and NaN payloads count) and
// every guard byte to be intact.
template <typename T, typename Call>
void ExpectRows(const std::vector<T>& in, const std::vector<T>& out, std::int32_t pad, Call call) {
  constexpr int kRows = 3;
  const auto width = static_cast<std::int32_t>(in.size());
  const std::int32_t step = width * static_cast<std::int32_t>(sizeof(T)) + pad;
  std::vector<std::byte> image(static_cast<std::size_t>(step * kRows + 8), std::byte{0x5A});
  std::vector<std::byte> expected = image;
  for (int y = 0; y < kRows; ++y) {
    std::memcpy(image.data() + y * step, in.data(), in.size() * sizeof(T));
    std::memcpy(expected.data() + y * step, out.data(), out.size() * sizeof(T));
  }
  ASSERT_EQ(call(reinterpret_cast<T*>(image.data()), step, ImageSize{width, kRows}), StatusOk);
  for (std::size_t k = 0; k < image.size(); ++k) {
    ASSERT_EQ(image[k], expected[k]) << "row " << k / step << " byte " << k % step;
  }
}

// Each case fails one check, or several (the first decides), for both sample types; no sample
// may change. Thresholds compare as their low 16 bits (0xFFFF is -1), and as floats the same
// values do.
TEST(ReplaceOutOfRangeEntryTest, RefusesArgumentsInOrderAndChangesNothing) {
  struct Case {
    bool null;
    ImageSize size;
    std::int32_t step, lowThreshold, highThreshold;
    Status expected;
  };
  // clang-format off
  const Case cases[] = {
      {true, {0, 1}, 0, 10, 5, StatusNullPointer},
      {true, {0, 0}, 0, 5, 1, StatusNullPointer},
      {false, {0, 1}, 0, 10, 5, StatusSizeError},
      {false, {0, 3}, 0, 5, 1, StatusSizeError},
      {false, {3, -2}, 8, 0, 1, StatusSizeError},
      {false, {9, -1}, 0, 5, 1, StatusSizeError},
      {false, {3, 2}, 0, 10, 5, StatusStepError},
      {false, {9, 3}, 0, 5, 1, StatusStepError},
      {false, {3, 2}, -16, 0, 1, StatusStepError},
      {false, {9, 3}, -64, 0, 1, StatusStepError},
      {false, {3, 2}, 16, 10, 5, StatusThresholdError},
      {false, {9, 3}, 64, 5, 1, StatusThresholdError},
      {false, {3, 2}, 16, 0, -1, StatusThresholdError},
      {false, {1, 1}, 2, 0x0000, 0xFFFF, StatusThresholdError},
      {false, {1, 1}, 2, 0x1000A, 0x0005, StatusThresholdError},
      {false, {9, 3}, 64, 0x10005, 0x0001, StatusThresholdError},
  };
  // clang-format on
  GuardedImage<std::int16_t> shorts(9, 3, 1, 23);
  GuardedImage<float> floats(9, 3, 1, 7);
  shorts.Fill([] { return std::int16_t{-30000}; });
  floats.Fill([] { return -3e4f; });
  const auto shortsBefore = shorts.bytes();
  const auto floatsBefore = floats.bytes();
  for (const Case& c : cases) {
    SCOPED_TRACE("step " + std::to_string(c.step) + " expecting " + std::to_string(c.expected));
    EXPECT_EQ(ReplaceOutOfRangeS16C1(c.null ? nullptr : shorts.data(), c.step, c.size,
                                     c.lowThreshold, 0, c.highThreshold, 0),
              c.expected);
    EXPECT_EQ(ReplaceOutOfRangeF32C1(c.null ? nullptr : floats.data(), c.step, c.size,
                                     static_cast<std::int16_t>(c.lowThreshold), 0.0f,
                                     static_cast<std::int16_t>(c.highThreshold), 0.0f),
              c.expected);
    EXPECT_EQ(shorts.bytes(), shortsBefore);
    EXPECT_EQ(floats.bytes(), floatsBefore);
  }
}

TEST(ReplaceOutOfRangeTest, S16Replacement) {
  struct Case {
    std::int32_t lowThreshold, lowValue, highThreshold, highValue;
    std::vector<std::int16_t> in, out;
  };
  // clang-format off
  const Case cases[] = {
      {0, 0, 4080, 4080,
       {-32768, -5, 0, 1, 4079, 4080, 4081, 32767}, {0, 0, 0, 1, 4079, 4080, 4080, 4080}},
      // Bits above the low 16 are ignored; replacement values may lie outside the range.
      {0x50000, 0x7FFF0064, 0x12340FF0, 0x1FFF9, {-5, 0, 4080, 4081}, {100, 0, 4080, -7}},
      // 0xFF9C is -100 as 16 bits.
      {0xFF9C, 0xFF9C, 100, 100,
       {-32768, -101, -100, 0, 100, 101}, {-100, -100, -100, 0, 100, 100}},
      {7, -1, 7, 1, {6, 7, 8, -32768, 32767}, {-1, 7, 1, -1, 1}},
  };
  // clang-format on
  const auto paths = EntryAndSlots(ReplaceOutOfRangeS16C1, slots::ReplaceOutOfRangeS16C1);
  for (const Case& c : cases) {
    for (const auto& path : paths) {
      SCOPED_TRACE(path.name + " low threshold " + std::to_string(c.lowThreshold));
      for (const std::int32_t pad : {0, 6}) {
        ExpectRows(c.in, c.out, pad, [&](std::int16_t* image, std::int32_t step, ImageSize size) {
          return path.fn(image, step, size, c.lowThreshold, c.lowValue, c.highThreshold,
                         c.highValue);
        });
      }
    }
  }
}

struct FloatCase {
  float lowThreshold, lowValue, highThreshold, highValue;
  std::vector<float> in, out;
};

void ExpectFloatCases(const std::vector<FloatCase>& cases, bool genericOnly,
                      std::vector<std::int32_t> pads) {
  const auto paths = genericOnly
                         ? testing::Slots(slots::ReplaceOutOfRangeF32C1, 0, 0)
                         : EntryAndSlots(ReplaceOutOfRangeF32C1, slots::ReplaceOutOfRangeF32C1);
  for (std::size_t n = 0; n < cases.size(); ++n) {
    const FloatCase& c = cases[n];
    for (const auto& path : paths) {
      SCOPED_TRACE(path.name + " case " + std::to_string(n));
      for (const std::int32_t pad : pads) {
        ExpectRows(c.in, c.out, pad, [&](float* image, std::int32_t step, ImageSize size) {
          return path.fn(image, step, size, c.lowThreshold, c.lowValue, c.highThreshold,
                         c.highValue);
        });
      }
    }
  }
}

// What every slot agrees on: the ordinary ordering of numbers.
TEST(ReplaceOutOfRangeTest, F32Replacement) {
  const float tiny = FromBits(1);  // smallest subnormal
  const float negativeNaN = -kNaN;
  // clang-format off
  ExpectFloatCases(
      {
          {0.0f, 0.0f, 1.0f, 1.0f,
           {-0.25f, 1.5f, 0.5f, 1.0f, 0.0f, -kInf, kInf, -tiny, 1.0000001f},
           {0.0f, 1.0f, 0.5f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f}},
          // Negative thresholds: larger magnitudes are the smaller numbers.
          {-2.0f, -20.0f, -1.0f, -10.0f,
           {-2.5f, -2.0f, -1.5f, -1.0f, -0.5f, 0.0f, 3.0f, -1e30f},
           {-20.0f, -2.0f, -1.5f, -1.0f, -10.0f, -10.0f, -10.0f, -20.0f}},
          // -0.0 thresholds on both sides keep both zeros as they are.
          {-0.0f, 5.0f, -0.0f, 9.0f,
           {0.0f, -0.0f, tiny, -tiny, 1.0f}, {0.0f, -0.0f, 9.0f, 5.0f, 9.0f}},
          {0.0f, 5.0f, 0.0f, 9.0f, {0.0f, tiny, -tiny}, {0.0f, 9.0f, 5.0f}},
          // A NaN threshold passes the check and bounds nothing.
          {kNaN, 7.0f, 1.0f, 9.0f, {-5.0f, 0.5f, 1.5f}, {-5.0f, 0.5f, 9.0f}},
          {-1.0f, 7.0f, negativeNaN, 9.0f, {-5.0f, 0.5f, 1e30f}, {7.0f, 0.5f, 1e30f}},
          {0.5f, 0.0f, 0.5f, 1.0f, {0.25f, 0.5f, 0.75f}, {0.0f, 0.5f, 1.0f}},
          {1.0f, 7.0f, 2.0f, 9.0f, {-0.0f, 1.5f}, {7.0f, 1.5f}},
      },
      false, {0, 8});
  // clang-format on
}

// The generic slot compares bit patterns: -0.0 lies below +0.0, and a NaN counts as
// beyond the infinity of its sign. Rows need not be aligned to whole samples there.
TEST(ReplaceOutOfRangeTest, GenericSlotBitPatternOrder) {
  const float signallingNaN = FromBits(0x7F800001u);
  const float negativeNaN = FromBits(0xFFFFFFFFu);
  // clang-format off
  ExpectFloatCases(
      {
          {0.0f, 7.0f, 1.0f, 9.0f,
           {-0.0f, 0.0f, kNaN, -kNaN, signallingNaN, negativeNaN},
           {7.0f, 0.0f, 9.0f, 7.0f, 9.0f, 7.0f}},
      },
      true, {0, 2});
  // clang-format on
  std::vector<std::int16_t> in = {-5, 5, 4081}, out = {0, 5, 4080};
  ExpectRows(in, out, 1, [](std::int16_t* image, std::int32_t step, ImageSize size) {
    return slots::ReplaceOutOfRangeS16C1[0](image, step, size, 0, 0, 4080, 4080);
  });
}

}  // namespace
}  // namespace tessaro
