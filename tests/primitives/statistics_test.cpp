// MeanS16C3 and MinMaxS16C3: the entries' argument checks, and known answers and padding that
// must not be read, through the entry and every slot.
#include "primitives/statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::EntryAndSlots;

constexpr std::int16_t kMin = -32768;
constexpr std::int16_t kMax = 32767;

// Interleaved region with `pad` spare pixels per row, holding guard samples (-23131) unless a
// test sets them; `upward` stores the rows bottom-up behind a negative step.
struct Image : testing::GuardedImage<std::int16_t> {
  Image(int w, int h, int pad, bool upward = false) : GuardedImage(w, h, 3, 3 * pad, upward) {}
  std::int16_t& at(int x, int y, int c) { return GuardedImage::at(3 * x + c, y); }
  ImageSize size() const { return {width(), height()}; }
};

// Each case fails one check, or several (the first decides); no output may be written. The
// mean has no second output, so the cases with a null maximum are the min/max's alone.
TEST(StatisticsEntryTest, RefusesArgumentsInOrderAndWritesNothing) {
  struct Case {
    bool nullSrc, nullOut, nullMaxs;  // nullOut: the means, or the minima
    ImageSize size;
    Status expected;
  };
  // clang-format off
  const Case cases[] = {
      {true, false, false, {2, 2}, StatusNullPointer},
      {false, true, false, {2, 2}, StatusNullPointer},
      {false, false, true, {2, 2}, StatusNullPointer},
      {false, false, true, {3, 3}, StatusNullPointer},
      {true, false, false, {0, -1}, StatusNullPointer},
      {true, false, false, {0, 0}, StatusNullPointer},
      {false, true, false, {-3, 0}, StatusNullPointer},
      {false, true, false, {-1, 3}, StatusNullPointer},
      {false, false, false, {0, 2}, StatusSizeError},
      {false, false, false, {0, 3}, StatusSizeError},
      {false, false, false, {2, 0}, StatusSizeError},
      {false, false, false, {-1, 2}, StatusSizeError},
      {false, false, false, {3, -2}, StatusSizeError},
      {false, false, false, {2, INT32_MIN}, StatusSizeError},
  };
  // clang-format on
  const std::int16_t pixels[27] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  for (const Case& k : cases) {
    SCOPED_TRACE(::testing::Message() << "size " << k.size.width << " x " << k.size.height);
    const std::int16_t* src = k.nullSrc ? nullptr : pixels;
    if (!k.nullMaxs) {
      double means[3] = {-1.0, -1.0, -1.0};
      EXPECT_EQ(MeanS16C3(src, 18, k.size, k.nullOut ? nullptr : means), k.expected);
      for (double m : means) EXPECT_EQ(m, -1.0);
    }
    std::int16_t mins[3] = {99, 99, 99}, maxs[3] = {99, 99, 99};
    EXPECT_EQ(MinMaxS16C3(src, 18, k.size, k.nullOut ? nullptr : mins, k.nullMaxs ? nullptr : maxs),
              k.expected);
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(mins[c] == 99 && maxs[c] == 99);
  }
}

// Constant channels, hand-derived means; the guard samples in the padding would shift any mean
// that read them.
TEST(MeanS16C3Test, KnownAnswers) {
  struct Case {
    int width, height;
    std::int16_t value[3];
    double expected[3];
  };
  const double belowOne = 1.0 - 0x1p-53;  // 49 * (1 / 49.0) rounds to the double below 1
  const Case cases[] = {
      {1, 1, {7, kMin, kMax}, {7.0, -32768.0, 32767.0}},
      {7, 7, {1, 0, 2}, {belowOne, 0.0, 2.0 * belowOne}},
      // The partial sum of one full block is exactly -2^31.
      {65536, 1, {kMin, kMax, kMin}, {-32768.0, 32767.0, -32768.0}},
      // One block plus one pixel per row; 65,537 * RN(1 / 65,537) rounds back to 1.
      {65537, 2, {kMin, kMax, 0}, {-32768.0, 32767.0, 0.0}},
  };
  for (const Case& k : cases) {
    Image im(k.width, k.height, 1);
    for (int y = 0; y < k.height; ++y)
      for (int x = 0; x < k.width; ++x)
        for (int c = 0; c < 3; ++c) im.at(x, y, c) = k.value[c];
    for (const auto& [mean, name] : EntryAndSlots(MeanS16C3, slots::MeanS16C3)) {
      double means[3] = {};
      ASSERT_EQ(mean(im.data(), im.step(), im.size(), means), StatusOk);
      for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(means[c], k.expected[c]) << name << " width " << k.width << " c" << c;
      }
    }
  }
}

// Mixed data against exact 64-bit sums times the reciprocal of the count, and against a plain
// scan; padding holds the extremes so that reading it would change either result.
TEST(StatisticsTest, MatchExactSumsAndPlainScan) {
  struct Shape {
    int width, height, pad;
    bool upward;
  };
  const Shape shapes[] = {
      {1, 1, 1, false}, {1, 3, 1, false}, {5, 4, 2, true}, {31, 9, 1, false}, {70000, 2, 1, true}};
  const int centre[3] = {3000, -3000, 0};  // one channel above 0, one below, one across
  std::mt19937 rng(20240611);
  for (const Shape& s : shapes) {
    Image im(s.width, s.height, s.pad, s.upward);
    for (int y = 0; y < s.height; ++y) {
      for (int c = 0; c < 3 * s.pad; ++c) im.at(s.width, y, c) = c == 1 ? kMin : kMax;
    }
    std::int64_t sum[3] = {};
    std::int16_t lo[3] = {kMax, kMax, kMax}, hi[3] = {kMin, kMin, kMin};
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x)
        for (int c = 0; c < 3; ++c) {
          const auto v =
              static_cast<std::int16_t>(centre[c] + static_cast<int>(rng() % 5001) - 2500);
          im.at(x, y, c) = v;
          sum[c] += v;
          lo[c] = std::min(lo[c], v);
          hi[c] = std::max(hi[c], v);
        }
    const double r = 1.0 / (double(s.width) * s.height);
    for (const auto& [mean, name] : EntryAndSlots(MeanS16C3, slots::MeanS16C3)) {
      double means[3] = {};
      ASSERT_EQ(mean(im.data(), im.step(), im.size(), means), StatusOk);
      for (int c = 0; c < 3; ++c) EXPECT_EQ(means[c], double(sum[c]) * r) << name << " " << s.width;
    }
    for (const auto& [minMax, name] : EntryAndSlots(MinMaxS16C3, slots::MinMaxS16C3)) {
      std::int16_t mins[3] = {}, maxs[3] = {};
      ASSERT_EQ(minMax(im.data(), im.step(), im.size(), mins, maxs), StatusOk);
      for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(mins[c] == lo[c] && maxs[c] == hi[c]) << name << " " << s.width;
      }
    }
  }
}

// Row 0 holds both extremes of every channel except one; row 1 supplies that one, so a scan
// that stops on an incomplete set loses it.
TEST(MinMaxS16C3Test, StopsOnlyWhenEveryChannelHasBothExtremes) {
  for (int missing = 0; missing < 6; ++missing) {
    const int c = missing / 2;
    const bool missingMin = missing % 2 == 0;
    Image im(2, 2, 0);
    for (int ch = 0; ch < 3; ++ch) {
      im.at(0, 0, ch) = kMin;
      im.at(1, 0, ch) = kMax;
      im.at(0, 1, ch) = -7;
      im.at(1, 1, ch) = 7;
    }
    im.at(missingMin ? 0 : 1, 0, c) = 0;
    for (const auto& [minMax, name] : EntryAndSlots(MinMaxS16C3, slots::MinMaxS16C3)) {
      std::int16_t mins[3] = {}, maxs[3] = {};
      ASSERT_EQ(minMax(im.data(), im.step(), im.size(), mins, maxs), StatusOk);
      for (int ch = 0; ch < 3; ++ch) {
        EXPECT_EQ(mins[ch], ch == c && missingMin ? -7 : kMin) << name << " " << missing;
        EXPECT_EQ(maxs[ch], ch == c && !missingMin ? 7 : kMax) << name << " " << missing;
      }
    }
  }
}

// Row 1 of the region lies past the allocation: the sanitizer build reports any read of it.
// The generic code stops after every row; the vector slots check less often (they block the
// work differently, with the same results), so this is the generic slot's own test.
TEST(MinMaxS16C3Test, ReadsNoRowAfterAllExtremesAreReached) {
  const std::vector<std::int16_t> row = {kMin, kMax, kMin, kMax, kMin, kMax};
  std::int16_t mins[3] = {}, maxs[3] = {};
  ASSERT_EQ(slots::MinMaxS16C3[0](row.data(), 12, {2, 2}, mins, maxs), StatusOk);
  for (int c = 0; c < 3; ++c) EXPECT_TRUE(mins[c] == kMin && maxs[c] == kMax);
}

}  // namespace
}  // namespace tessaro
