// Every slot of the measuring kernels against the chain they replace: the same slot's colour
// matrix on the image, then plain statistics and counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "pipeline/frame_convert.h"
#include "pipeline/kernel_slots.h"
#include "primitives/slots.h"
#include "support/caller_rounding.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::GuardedImage;
using testing::kInf;

constexpr std::int32_t kHigh = 4080;

// Weights and offsets that put many sums near a half, where the slots' roundings differ.
const float kHalfway[12] = {0.5f, 0.25f, -0.75f, 0.5f, 1.5f,   -0.5f,
                            0.0f, -2.5f, 0.125f, 0.5f, -1.25f, 0.75f};
// No offsets, but weights whose sums leave the 32-bit range, and an infinite weight, whose
// products with zero are not numbers: both take the primitive's clamp, in its order.
const float kLarge[12] = {30000.0f, 30000.0f, 30000.0f, 0.0f,  -20000.0f, 16384.0f,
                          1.0f,     0.0f,     0.5f,     0.25f, 16383.0f,  0.0f};
const float kInfinite[12] = {kInf,  1.0f, 0.0f, 0.0f, 0.5f, -kInf,
                             0.25f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f};
const float* const kMatrices[] = {nullptr,  YcToRgbMatrix, RgbToYcMatrix,
                                  kHalfway, kLarge,        kInfinite};
constexpr int kMatrixCount = sizeof kMatrices / sizeof kMatrices[0];

// The channels counted and their highest bin: all three at once or some, narrow counters below
// 4,096 bins and wide ones from there, and most samples clamped to one end.
struct CountCase {
  bool channels[3];
  std::int32_t high;
};
constexpr CountCase kCountCases[] = {{{true, true, true}, kHigh},
                                     {{true, false, true}, 4095},
                                     {{false, true, false}, 4096},
                                     {{true, true, true}, 1},
                                     {{true, true, false}, 32766}};

// The image as the slot's colour matrix makes it (or as it is), rows packed.
std::vector<std::int16_t> Converted(int slot, const std::int16_t* src, std::int32_t step,
                                    ImageSize size, const float* matrix) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(3) * size.width * size.height);
  for (std::int32_t y = 0; y < size.height; ++y) {
    const auto* row = reinterpret_cast<const std::int16_t*>(reinterpret_cast<const char*>(src) +
                                                            static_cast<std::ptrdiff_t>(step) * y);
    std::int16_t* dst = out.data() + static_cast<std::size_t>(3) * size.width * y;
    if (matrix == nullptr) {
      std::memcpy(dst, row, 6 * static_cast<std::size_t>(size.width));
    } else {
      slots::ColorMatrixS16C3[slot](row, 6 * size.width, dst, 6 * size.width, {size.width, 1},
                                    matrix);
    }
  }
  return out;
}

ChannelStats PlainStats(const std::vector<std::int16_t>& px) {
  ChannelStats s{{px[0], px[1], px[2]}, {px[0], px[1], px[2]}, {0, 0, 0}};
  for (std::size_t i = 0; i < px.size(); ++i) {
    const int c = static_cast<int>(i % 3);
    s.min[c] = std::min(s.min[c], px[i]);
    s.max[c] = std::max(s.max[c], px[i]);
    s.sum[c] += px[i];
  }
  return s;
}

void ExpectStats(const ChannelStats& want, const ChannelStats& got) {
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(want.min[c], got.min[c]) << "channel " << c;
    EXPECT_EQ(want.max[c], got.max[c]) << "channel " << c;
    EXPECT_EQ(want.sum[c], got.sum[c]) << "channel " << c;
  }
}

using Counts = std::vector<std::uint32_t>;

// Counts of the channels the case counts, added to counters that start at 7.
void CountBoth(int slot, bool plain, const std::int16_t* src, std::int32_t step, ImageSize size,
               const float* matrix, const CountCase& cc, Counts bins[3]) {
  for (int c = 0; c < 3; ++c) bins[c].assign(cc.high + 1, cc.channels[c] ? 7u : 0u);
  if (plain) {
    const auto px = Converted(slot, src, step, size, matrix);
    for (std::size_t i = 0; i < px.size(); ++i) {
      const int c = static_cast<int>(i % 3);
      if (cc.channels[c]) ++bins[c][std::clamp<std::int32_t>(px[i], 0, cc.high)];
    }
    return;
  }
  std::uint32_t* counts[3];
  for (int c = 0; c < 3; ++c) counts[c] = cc.channels[c] ? bins[c].data() : nullptr;
  // Kept samples are those before the clamp: exactly what Measure keeps.
  std::vector<std::int16_t> kept(static_cast<std::size_t>(3) * size.width * size.height);
  ASSERT_EQ(slots::CountS16C3[slot](src, step, size, matrix, kept.data(), 6 * size.width, cc.high,
                                    counts),
            StatusOk);
  EXPECT_TRUE(kept == Converted(slot, src, step, size, matrix)) << "kept samples";
}

TEST(FrameMeasureSimdTest, EverySlotMatchesItsColourMatrixThenPlainStatistics) {
  testing::ForEverySlot(
      "MeasureS16C3 and CountS16C3",
      [](testing::SlotCase& c) {
        const testing::CallerRounding rounding(c.seed);
        GuardedImage<std::int16_t> image = c.S16(3);
        const auto before = image.bytes();
        const float* matrix =
            kMatrices[c.seed / 4 % kMatrixCount];  // every matrix meets every fill
        const auto converted = Converted(c.slot, image.data(), image.step(), c.size, matrix);

        // Half the cases keep the measured samples in a second, guarded image.
        const bool keep = c.rng.OneIn(2);
        GuardedImage<std::int16_t> kept(c.size.width, c.size.height, 3, c.Pad());
        GuardedImage<std::int16_t> wantKept = kept;
        for (std::int32_t y = 0; y < c.size.height; ++y) {
          for (std::int32_t i = 0; i < 3 * c.size.width; ++i) {
            wantKept.at(i, y) = converted[static_cast<std::size_t>(3 * c.size.width * y + i)];
          }
        }
        ChannelStats got{};
        ASSERT_EQ(slots::MeasureS16C3[c.slot](image.data(), image.step(), c.size, matrix,
                                              keep ? kept.data() : nullptr, kept.step(), &got),
                  StatusOk);
        ExpectStats(PlainStats(converted), got);
        if (keep) {
          EXPECT_EQ(testing::FirstDifference(wantKept.bytes(), kept.bytes()), -1) << "kept samples";
        }

        const CountCase& cc = kCountCases[c.seed / 24 % std::size(kCountCases)];
        Counts want[3], have[3];
        CountBoth(c.slot, true, image.data(), image.step(), c.size, matrix, cc, want);
        CountBoth(c.slot, false, image.data(), image.step(), c.size, matrix, cc, have);
        for (int ch = 0; ch < 3; ++ch)
          EXPECT_TRUE(want[ch] == have[ch]) << "counts of channel " << ch;
        EXPECT_EQ(image.bytes(), before);
        EXPECT_TRUE(rounding.Kept()) << "the caller's rounding mode " << rounding.mode();
      },
      {.firstSlot = 0});
}

// Wide rows of one extreme cross the blocks in which vector lane sums are flushed.
TEST(FrameMeasureSimdTest, SumsStayExactAcrossFlushes) {
  testing::ForEverySlot(
      "MeasureS16C3",
      [](testing::SlotCase& c) {
        for (const std::int16_t value : {std::int16_t{-32768}, std::int16_t{32767}}) {
          SCOPED_TRACE(::testing::Message() << "value " << value);
          const auto [width, height] = c.size;
          std::vector<std::int16_t> image(std::size_t(3) * width * height, value);
          ChannelStats got{};
          ASSERT_EQ(slots::MeasureS16C3[c.slot](image.data(), 6 * width, c.size, nullptr, nullptr,
                                                0, &got),
                    StatusOk);
          for (int ch = 0; ch < 3; ++ch)
            EXPECT_EQ(got.sum[ch], std::int64_t{width} * height * value);
        }
      },
      {.firstSlot = 0, .heights = {2}, .widths = {300017}});
}

// Rows of one sample give every pixel to one counter: narrow counters must move into the
// caller's before they overflow.
TEST(FrameMeasureSimdTest, CountsStayExactAcrossFlushes) {
  testing::ForEverySlot(
      "CountS16C3",
      [](testing::SlotCase& c) {
        const std::int64_t pixels = std::int64_t{c.size.width} * c.size.height;
        for (const std::int16_t value : {std::int16_t{-1}, std::int16_t{2040}}) {
          SCOPED_TRACE(::testing::Message() << "value " << value);
          std::vector<std::int16_t> image(static_cast<std::size_t>(3 * pixels), value);
          Counts bins[3];
          std::uint32_t* counts[3];
          for (int ch = 0; ch < 3; ++ch) {
            bins[ch].assign(kHigh + 1, 0);
            counts[ch] = bins[ch].data();
          }
          ASSERT_EQ(slots::CountS16C3[c.slot](image.data(), 6 * c.size.width, c.size, nullptr,
                                              nullptr, 0, kHigh, counts),
                    StatusOk);
          for (int ch = 0; ch < 3; ++ch) {
            EXPECT_EQ(std::int64_t{bins[ch][std::max<int>(value, 0)]}, pixels);
          }
        }
      },
      {.firstSlot = 0, .heights = {2}, .widths = {300017}});
}

// The entries check once, before any slot runs.
TEST(FrameMeasureSimdTest, RefusedArgumentsWriteNothing) {
  const std::int16_t px[6] = {1, 2, 3, 4, 5, 6};
  std::uint32_t bins[kHigh + 1] = {};
  std::uint32_t* counts[3] = {bins, bins, bins};
  {
    ChannelStats stats{};
    const auto measure = MeasureS16C3;
    const auto count = CountS16C3;
    EXPECT_EQ(measure(nullptr, 12, {2, 1}, nullptr, nullptr, 0, &stats), StatusNullPointer);
    EXPECT_EQ(measure(px, 12, {2, 1}, nullptr, nullptr, 0, nullptr), StatusNullPointer);
    EXPECT_EQ(measure(px, 12, {0, 1}, nullptr, nullptr, 0, &stats), StatusSizeError);
    EXPECT_EQ(measure(px, 12, {2, -1}, nullptr, nullptr, 0, &stats), StatusSizeError);
    EXPECT_EQ(count(px, 12, {2, 1}, nullptr, nullptr, 0, kHigh, nullptr), StatusNullPointer);
    EXPECT_EQ(count(px, 12, {2, 1}, nullptr, nullptr, 0, 0, counts), StatusRangeError);
    EXPECT_EQ(count(px, 12, {2, 1}, nullptr, nullptr, 0, 32767, counts), StatusRangeError);
    EXPECT_EQ(stats.sum[0], 0);
    EXPECT_EQ(std::count(bins, bins + kHigh + 1, 0u), kHigh + 1);
  }
}

}  // namespace
}  // namespace tessaro
