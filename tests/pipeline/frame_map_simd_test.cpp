// Every slot of the mapping kernels against the chain they replace: the same slot's colour
// matrix, plain lookups, the slot's colour matrix again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "pipeline/frame_convert.h"
#include "pipeline/kernel_slots.h"
#include "primitives/slots.h"
#include "support/caller_rounding.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::GuardedImage;
using testing::Random;

// Lookups whose bounds lie outside the 16-bit range: tables with indices past 32,767 or one
// index for every sample, clamps of which the samples reach one end only or neither.
struct EdgeLookup {
  bool values;
  std::int32_t lo, last;
};
constexpr EdgeLookup kEdges[] = {
    {true, -40000, 80000},  {true, 40000, 3},      {true, -50000, 100}, {true, 32000, 9000},
    {false, -40000, 10000}, {false, 30000, 40000}, {false, 40000, 5},   {false, -50000, 100}};

// Random tables; some channels only clamp or stay as they are, and without reads no channel
// has a table. Tables end at `last`, so that a read past it meets the sanitizers.
struct RandomTables {
  RandomTables(Random& rng, bool reads) {
    for (int c = 0; c < 3; ++c) {
      const std::int32_t kind = rng.Range(0, reads ? 6 : 2);
      EdgeLookup e{kind > 3, rng.Range(-5000, 4000),
                   (rng.OneIn(3) ? rng.Range(1, 8) : rng.Range(1, 5000)) - 1};
      if (kind == 2 || kind == 3) {
        do {
          e = kEdges[rng.Next() % std::size(kEdges)];
        } while (e.values != (kind == 3));
      }
      values[c].resize(static_cast<std::size_t>(e.last) + 1);
      for (auto& v : values[c]) v = static_cast<std::int16_t>(rng.Next());
      lookups[c] = kind == 0 ? kUnchanged
                             : SampleLookup{e.values ? values[c].data() : nullptr, e.lo, e.last};
    }
  }
  std::vector<std::int16_t> values[3];
  SampleLookup lookups[3];
};

void PlainLookup(std::int16_t* px, std::size_t samples, const SampleLookup lookups[3]) {
  for (std::size_t i = 0; i < samples; ++i) {
    const SampleLookup& t = lookups[i % 3];
    if (t.values != nullptr) {
      px[i] = t.values[std::clamp(px[i] - t.lo, 0, t.last)];
    } else {
      px[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(px[i], t.lo, t.lo + t.last));
    }
  }
}

const float kHalfway[12] = {0.5f, 0.25f, -0.75f, 0.5f, 1.5f,   -0.5f,
                            0.0f, -2.5f, 0.125f, 0.5f, -1.25f, 0.75f};

// The chain row by row: the slot's first matrix (or none), plain lookups, the second matrix.
void PlainChain(int slot, GuardedImage<std::int16_t>& image, ImageSize size, const float* first,
                const SampleLookup lookups[3], const float* second) {
  std::vector<std::int16_t> row(static_cast<std::size_t>(3) * size.width);
  const std::int32_t rowStep = 6 * size.width;
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::int16_t* px = &image.at(0, y);
    if (first != nullptr) {
      slots::ColorMatrixS16C3[slot](px, rowStep, row.data(), rowStep, {size.width, 1}, first);
    } else {
      std::memcpy(row.data(), px, 2 * row.size());
    }
    PlainLookup(row.data(), row.size(), lookups);
    if (second != nullptr) {
      slots::ColorMatrixS16C3[slot](row.data(), rowStep, px, rowStep, {size.width, 1}, second);
    } else {
      std::memcpy(px, row.data(), 2 * row.size());
    }
  }
}

TEST(FrameMapSimdTest, EverySlotMatchesItsColourMatrixAndPlainLookups) {
  testing::ForEverySlot(
      "LookupS16C3 and MatrixLookupS16C3",
      [](testing::SlotCase& c) {
        const testing::CallerRounding rounding(c.seed);
        const std::int32_t pad = c.Pad();  // the second image's too, so that bytes compare
        GuardedImage<std::int16_t> source(c.size.width, c.size.height, 3, pad);
        source.Fill([&] { return testing::RandomS16(c.rng, c.fill); });
        // Some cases read no table, which the kernels run apart.
        const RandomTables tables(c.rng, c.seed % 5 != 0);

        GuardedImage<std::int16_t> want = source, got = source;
        PlainChain(c.slot, want, c.size, nullptr, tables.lookups, nullptr);
        ASSERT_EQ(slots::LookupS16C3[c.slot](got.data(), got.step(), c.size, tables.lookups),
                  StatusOk);
        EXPECT_EQ(testing::FirstDifference(want.bytes(), got.bytes()), -1) << "lookups";

        // Through two matrices, in place or into a second image; every pair of matrices meets
        // every fill.
        const float* const firsts[] = {nullptr, YcToRgbMatrix, kHalfway};
        const float* first = firsts[c.seed % 3];
        const float* second = c.seed / 4 % 2 ? RgbToYcMatrix : kHalfway;
        want = source;
        PlainChain(c.slot, want, c.size, first, tables.lookups, second);
        const bool inPlace = c.rng.OneIn(2);
        GuardedImage<std::int16_t> out(c.size.width, c.size.height, 3, pad);
        got = source;
        GuardedImage<std::int16_t>& dst = inPlace ? got : out;
        ASSERT_EQ(slots::MatrixLookupS16C3[c.slot](got.data(), got.step(), dst.data(), dst.step(),
                                                   c.size, first, tables.lookups, second),
                  StatusOk);
        EXPECT_EQ(testing::FirstDifference(want.bytes(), dst.bytes()), -1)
            << (inPlace ? "in place" : "into a second image");
        if (!inPlace) {
          EXPECT_EQ(got.bytes(), source.bytes());
        }
        EXPECT_TRUE(rounding.Kept()) << "the caller's rounding mode " << rounding.mode();
      },
      {.firstSlot = 0});
}

// The entries check once, before any slot runs.
TEST(FrameMapSimdTest, RefusedArgumentsWriteNothing) {
  std::int16_t px[6] = {1, 2, 3, 4, 5, 6};
  const std::int16_t table[3] = {9, 9, 9};
  const SampleLookup lookups[3] = {{table, 0, 1}, {table, 0, 1}, {table, 0, 1}};
  {
    const auto lookup = LookupS16C3;
    const auto matrixLookup = MatrixLookupS16C3;
    EXPECT_EQ(lookup(nullptr, 12, {2, 1}, lookups), StatusNullPointer);
    EXPECT_EQ(lookup(px, 12, {2, 1}, nullptr), StatusNullPointer);
    EXPECT_EQ(lookup(px, 12, {0, 1}, lookups), StatusSizeError);
    EXPECT_EQ(matrixLookup(px, 12, nullptr, 12, {2, 1}, nullptr, lookups, RgbToYcMatrix),
              StatusNullPointer);
    EXPECT_EQ(matrixLookup(px, 12, px, 12, {2, 1}, nullptr, nullptr, RgbToYcMatrix),
              StatusNullPointer);
    EXPECT_EQ(matrixLookup(px, 12, px, 12, {2, 1}, nullptr, lookups, nullptr), StatusNullPointer);
    EXPECT_EQ(matrixLookup(px, 12, px, 12, {1, 0}, nullptr, lookups, RgbToYcMatrix),
              StatusSizeError);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(px[i], i + 1);
  }
}

}  // namespace
}  // namespace tessaro
