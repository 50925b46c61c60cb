// Every slot of HistogramS16C1 against the generic slot: bins, the scratch counters and
// the guards after both, for both counting cases and integer and float levels.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::FirstDifference;
using testing::GuardedImage;

constexpr std::int32_t kScratchBytes = 262144;
constexpr std::int32_t kGuardBytes = 64;

std::vector<std::int32_t> MakeRecord(DataType type, float lower, float upper, std::int32_t n) {
  std::int32_t specSize = 0, bufferSize = 0;
  EXPECT_EQ(slots::HistogramGetSize[0](type, {1, 1}, &n, 1, 0, &specSize, &bufferSize), 0);
  std::vector<std::int32_t> words(static_cast<std::size_t>(specSize) / 4);
  EXPECT_GE(slots::HistogramInitUniform[0](type, &lower, &upper, &n, 1,
                                           reinterpret_cast<HistogramSpec*>(words.data())),
            0);
  return words;
}

struct Levels {
  DataType type;
  float lower, upper;
  std::int32_t n;
};

// The filter's levels, spans that are and are not multiples of the bin count, levels
// that repeat (step below one), that reach past the 16-bit range, and float levels.
const Levels kLevels[] = {
    {DataTypeS16, 0.0f, 4080.0f, 4081},
    {DataTypeS16, -100.0f, 200.0f, 31},
    {DataTypeS16, -100.0f, 200.0f, 30},
    {DataTypeS16, 0.0f, 10.0f, 21},
    {DataTypeS16, -0.9f, 2.5f, 3},
    {DataTypeS16, -40000.0f, 40000.0f, 17},
    {DataTypeS16, -32768.0f, 32768.0f, 65537},
    {DataTypeU16, 0.0f, 65535.0f, 256},
    {DataTypeF32, -0.5f, 4080.5f, 4082},
    {DataTypeF32, -33000.0f, 33000.0f, 7},
};

// Runs one slot on copies of the same dirty outputs; returns status, bins and scratch.
struct Outputs {
  Status status;
  std::vector<std::uint8_t> bins, scratch;
};

Outputs RunSlot(std::int32_t slot, const std::int16_t* image, std::int32_t step, ImageSize size,
                const std::vector<std::int32_t>& record, std::int32_t binCount) {
  Outputs o{0,
            std::vector<std::uint8_t>(4 * static_cast<std::size_t>(binCount) + kGuardBytes, 0xC3),
            std::vector<std::uint8_t>(kScratchBytes + 1 + kGuardBytes, 0x5A)};
  // Scratch one byte off alignment: counters must be reached without alignment.
  o.status = slots::HistogramS16C1[slot](
      image, step, size, reinterpret_cast<std::int32_t*>(o.bins.data()),
      reinterpret_cast<const HistogramSpec*>(record.data()), o.scratch.data() + 1);
  return o;
}

void ExpectSame(const Outputs& expected, const Outputs& actual) {
  ASSERT_EQ(actual.status, expected.status);
  ASSERT_EQ(FirstDifference(expected.bins, actual.bins), -1) << "bins";
  ASSERT_EQ(FirstDifference(expected.scratch, actual.scratch), -1) << "scratch";
}

// Each size against every record, on an image of its own. Images below 65536 pixels take the
// direct count when the levels allow it, the others the table: 255 x 255 is the largest direct
// count, 256 x 256 the smallest table.
TEST(HistogramSimd, CountsMatchGeneric) {
  std::vector<std::vector<std::int32_t>> records;
  for (const Levels& lv : kLevels) records.push_back(MakeRecord(lv.type, lv.lower, lv.upper, lv.n));
  testing::ForEverySlot(
      "HistogramS16C1",
      [&](testing::SlotCase& c) {
        for (std::size_t l = 0; l < std::size(kLevels); ++l) {
          SCOPED_TRACE(::testing::Message() << "levels " << l);
          GuardedImage<std::int16_t> image = c.S16(1);
          const std::int32_t bins = kLevels[l].n - 1;
          ExpectSame(RunSlot(0, image.data(), image.step(), c.size, records[l], bins),
                     RunSlot(c.slot, image.data(), image.step(), c.size, records[l], bins));
        }
      },
      {.widths = {},
       .sizes = {
           {1, 1}, {7, 3}, {33, 5}, {67, 2}, {255, 255}, {256, 256}, {129, 600}, {1920, 40}}});
}

}  // namespace
}  // namespace tessaro
