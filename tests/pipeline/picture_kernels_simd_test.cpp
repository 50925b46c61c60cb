// Every slot of the four-byte pixel kernels against the generic slot, on random bytes (runs of
// 0 and 255 among them), padded rows and guards; and the generic slot against the formulas.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pipeline/kernel_slots.h"
#include "pipeline/picture_kernels_tail.h"
#include "pipeline/rgb_codes.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::ForEverySlot;
using testing::GuardedImage;
using testing::Random;
using testing::SlotCase;

std::uint8_t RandomByte(Random& rng) {
  switch (rng.Next() % 4) {
    case 0:
      return 0;
    case 1:
      return 255;
    default:
      return static_cast<std::uint8_t>(rng.Next());
  }
}

GuardedImage<std::uint8_t> Pixels(SlotCase& c) {
  GuardedImage<std::uint8_t> image(c.size.width, c.size.height, 4, 4 * c.Pad());
  image.Fill([&] { return RandomByte(c.rng); });
  return image;
}

bool Same(const ByteStats& a, const ByteStats& b) {
  for (int k = 0; k < 4; ++k) {
    if (a.min[k] != b.min[k] || a.max[k] != b.max[k] || a.sum[k] != b.sum[k]) return false;
  }
  return true;
}

// The luma and colour differences of both byte orders, and random weights and divisors
// within the entry's limits.
struct Weights {
  std::int32_t w[4];
  std::int32_t divisor;
};
Weights RandomWeights(Random& rng) {
  static constexpr Weights kFormulas[] = {
      {{299, 587, 114, 0}, 255000}, {{-299, -587, 886, 0}, 451860}, {{701, -587, -114, 0}, 357510},
      {{114, 587, 299, 0}, 255000}, {{886, -587, -299, 0}, 451860}, {{-114, -587, 701, 0}, 357510}};
  if (!rng.OneIn(3)) return kFormulas[rng.Next() % 6];
  // Rising and falling weights of up to 1000 each.
  Weights w{};
  std::int32_t rise = 1000, fall = 1000;
  for (int k = 0; k < 4; ++k) {
    w.w[k] = rng.Range(-fall, rise);
    (w.w[k] < 0 ? fall : rise) -= w.w[k] < 0 ? -w.w[k] : w.w[k];
  }
  w.divisor = rng.OneIn(4) ? 31875 : (rng.OneIn(4) ? (1 << 24) : rng.Range(31875, 1 << 24));
  return w;
}

TEST(PictureKernelsSimdTest, MeasureU8C4EverySlotAsGeneric) {
  ForEverySlot("MeasureU8C4", [](SlotCase& c) {
    GuardedImage<std::uint8_t> image = Pixels(c);
    ByteStats want{}, got{};
    ASSERT_EQ(slots::MeasureU8C4[0](image.data(), image.step(), c.size, &want), StatusOk);
    ASSERT_EQ(slots::MeasureU8C4[c.slot](image.data(), image.step(), c.size, &got), StatusOk);
    EXPECT_TRUE(Same(want, got));
  });
}

TEST(PictureKernelsSimdTest, WeightedSumU8C4EverySlotAsGeneric) {
  ForEverySlot("WeightedSumU8C4",
               [](SlotCase& c) {
                 GuardedImage<std::uint8_t> pixels = Pixels(c);
                 const Weights w = RandomWeights(c.rng);
                 GuardedImage<std::int16_t> want(c.size.width, 1, 1, 0), got = want;
                 ASSERT_EQ(slots::WeightedSumU8C4[0](pixels.data(), c.size.width, w.w, w.divisor,
                                                     want.data()),
                           StatusOk);
                 ASSERT_EQ(slots::WeightedSumU8C4[c.slot](pixels.data(), c.size.width, w.w,
                                                          w.divisor, got.data()),
                           StatusOk);
                 EXPECT_EQ(testing::FirstDifference(want.bytes(), got.bytes()), -1)
                     << "weights " << w.w[0] << " " << w.w[1] << " " << w.w[2] << " " << w.w[3]
                     << " / " << w.divisor;
               },
               {1, {1}});
}

TEST(PictureKernelsSimdTest, MoveU8C4EverySlotAsGeneric) {
  ForEverySlot(
      "MoveU8C4",
      [](SlotCase& c) {
        GuardedImage<std::uint8_t> src = Pixels(c);
        std::vector<std::int16_t> moves[4];
        const std::int16_t* m[4];
        for (int k = 0; k < 4; ++k) {
          moves[k].resize(static_cast<std::size_t>(c.size.width));
          for (auto& v : moves[k]) {
            v = static_cast<std::int16_t>(c.rng.OneIn(8) ? c.rng.Next() : c.rng.Range(-300, 300));
          }
          m[k] = c.rng.OneIn(4) ? nullptr : moves[k].data();
        }
        if (c.rng.OneIn(3)) m[1] = m[2] = m[0];  // one move for R, G and B, as luma makes
        GuardedImage<std::uint8_t> want = src, got = src;
        ASSERT_EQ(slots::MoveU8C4[0](src.data(), want.data(), c.size.width, m), StatusOk);
        ASSERT_EQ(slots::MoveU8C4[c.slot](src.data(), got.data(), c.size.width, m), StatusOk);
        EXPECT_EQ(testing::FirstDifference(want.bytes(), got.bytes()), -1);
        // In place too.
        GuardedImage<std::uint8_t> inPlace = src;
        ASSERT_EQ(slots::MoveU8C4[c.slot](inPlace.data(), inPlace.data(), c.size.width, m),
                  StatusOk);
        EXPECT_EQ(testing::FirstDifference(want.bytes(), inPlace.bytes()), -1);
      },
      {1, {1}});
}

TEST(PictureKernelsSimdTest, GenericSlotAsTheFormulas) {
  // Every colour: the weighted sums are the luma and colour differences.
  std::vector<std::uint8_t> row(4 * 256);
  std::vector<std::int16_t> y(256), cb(256), cr(256);
  const std::int32_t wy[4] = {299, 587, 114, 0}, wb[4] = {-299, -587, 886, 0},
                     wr[4] = {701, -587, -114, 0};
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      for (int b = 0; b < 256; ++b) {
        row[4 * b] = static_cast<std::uint8_t>(r);
        row[4 * b + 1] = static_cast<std::uint8_t>(g);
        row[4 * b + 2] = static_cast<std::uint8_t>(b);
        row[4 * b + 3] = static_cast<std::uint8_t>(255 - b);
      }
      ASSERT_EQ(slots::WeightedSumU8C4[0](row.data(), 256, wy, 255000, y.data()), StatusOk);
      ASSERT_EQ(slots::WeightedSumU8C4[0](row.data(), 256, wb, 451860, cb.data()), StatusOk);
      ASSERT_EQ(slots::WeightedSumU8C4[0](row.data(), 256, wr, 357510, cr.data()), StatusOk);
      for (int b = 0; b < 256; ++b) {
        ASSERT_EQ(y[b], rgb_codes::LumaOf(r, g, b)) << r << "," << g << "," << b;
        ASSERT_EQ(cb[b], rgb_codes::BlueDifferenceOf(r, g, b)) << r << "," << g << "," << b;
        ASSERT_EQ(cr[b], rgb_codes::RedDifferenceOf(r, g, b)) << r << "," << g << "," << b;
      }
    }
  }
  // Byte statistics and tables.
  const std::uint8_t px[] = {0, 9, 255, 7, 3, 1, 254, 7, 200, 5, 100, 7};
  ByteStats st{};
  ASSERT_EQ(slots::MeasureU8C4[0](px, 12, {3, 1}, &st), StatusOk);
  const ByteStats want{{0, 1, 100, 7}, {200, 9, 255, 7}, {203, 15, 609, 21}};
  EXPECT_TRUE(Same(st, want));
  std::uint8_t invert[256];
  for (int i = 0; i < 256; ++i) invert[i] = static_cast<std::uint8_t>(255 - i);
  const std::uint8_t* tables[4] = {invert, nullptr, invert, nullptr};
  std::uint8_t out[12];
  ASSERT_EQ(slots::LookupU8C4[0](px, 12, out, 12, {3, 1}, tables), StatusOk);
  const std::uint8_t looked[] = {255, 9, 0, 7, 252, 1, 1, 7, 55, 5, 155, 7};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(out[i], looked[i]) << i;
}

TEST(PictureKernelsSimdTest, TheVectorLevelsReciprocalIsTheQuotientForEveryDividend) {
  // Dividends next to every multiple of the divisor that the kernels can meet, up to 2^31.
  Random rng(5);
  std::vector<std::int32_t> divisors = {31875, 255000, 357510, 451860, 1 << 24};
  for (int i = 0; i < 200; ++i) divisors.push_back(rng.Range(31875, 1 << 24));
  for (const std::int32_t divisor : divisors) {
    const picture_tail::Divider d = picture_tail::DividerOf(divisor);
    const std::uint64_t twice = 2 * static_cast<std::uint64_t>(divisor);
    for (std::uint64_t q = 0; q * twice < (std::uint64_t{1} << 31); q += 1 + q / 64) {
      for (const std::int64_t delta : {std::int64_t{-1}, std::int64_t{0}, std::int64_t{1},
                                       static_cast<std::int64_t>(twice) - 1}) {
        const std::int64_t x = static_cast<std::int64_t>(q * twice) + delta;
        if (x < 0 || x >= (std::int64_t{1} << 31)) continue;
        const std::uint64_t got = (static_cast<std::uint64_t>(x) * d.multiplier) >> d.shift;
        ASSERT_EQ(got, static_cast<std::uint64_t>(x) / twice) << x << " / " << twice;
      }
    }
  }
}

TEST(PictureKernelsSimdTest, EntriesRefuseWhatTheSlotsCannotTake) {
  const std::uint8_t px[8] = {};
  std::uint8_t out[8];
  std::int16_t sums[2];
  ByteStats st{};
  const std::int32_t w[4] = {299, 587, 114, 0}, heavy[4] = {600, 401, 0, 0},
                     sinking[4] = {-600, 1000, -401, 0};
  const std::int16_t* noMoves[4] = {nullptr, nullptr, nullptr, nullptr};
  const std::uint8_t* noTables[4] = {nullptr, nullptr, nullptr, nullptr};
  EXPECT_EQ(MeasureU8C4(nullptr, 8, {2, 1}, &st), StatusNullPointer);
  EXPECT_EQ(MeasureU8C4(px, 8, {0, 1}, &st), StatusSizeError);
  EXPECT_EQ(LookupU8C4(px, 8, out, 8, {2, 1}, nullptr), StatusNullPointer);
  EXPECT_EQ(LookupU8C4(px, 8, out, 8, {2, 0}, noTables), StatusSizeError);
  EXPECT_EQ(WeightedSumU8C4(px, 2, nullptr, 255000, sums), StatusNullPointer);
  EXPECT_EQ(WeightedSumU8C4(px, 0, w, 255000, sums), StatusSizeError);
  EXPECT_EQ(WeightedSumU8C4(px, 2, heavy, 255000, sums), StatusRangeError);
  EXPECT_EQ(WeightedSumU8C4(px, 2, sinking, 255000, sums), StatusRangeError);
  EXPECT_EQ(WeightedSumU8C4(px, 2, w, 31874, sums), StatusRangeError);
  EXPECT_EQ(WeightedSumU8C4(px, 2, w, (1 << 24) + 1, sums), StatusRangeError);
  EXPECT_EQ(MoveU8C4(px, out, 2, nullptr), StatusNullPointer);
  EXPECT_EQ(MoveU8C4(px, nullptr, 2, noMoves), StatusNullPointer);
  EXPECT_EQ(MoveU8C4(px, out, -1, noMoves), StatusSizeError);
}

}  // namespace
}  // namespace tessaro
