// The histogram primitives: the entries' checks, and known answers through the entry and every
// slot.
#include "primitives/histogram.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::EntryAndSlots;

constexpr std::int32_t kScratchBytes = 262144;

// A record in dirty storage of exactly the reported size, so overruns reach the sanitizer.
struct Record {
  std::vector<std::int32_t> words;
  HistogramSpec* record() { return reinterpret_cast<HistogramSpec*>(words.data()); }
};

Record Allocate(DataType type, std::vector<std::int32_t> n) {
  std::int32_t specSize = 0, bufferSize = 0;
  EXPECT_EQ(HistogramGetSize(type, {1, 1}, n.data(), static_cast<std::int32_t>(n.size()), 1,
                             &specSize, &bufferSize),
            0);
  return Record{std::vector<std::int32_t>(static_cast<std::size_t>(specSize) / 4, 0x3c3c3c3c)};
}

Record MakeRecord(DataType type, std::vector<float> lower, std::vector<float> upper,
                  std::vector<std::int32_t> n) {
  Record r = Allocate(type, n);
  EXPECT_GE(HistogramInitUniform(type, lower.data(), upper.data(), n.data(),
                                 static_cast<std::int32_t>(n.size()), r.record()),
            0);
  return r;
}

std::vector<float> Levels(const HistogramSpec* record, std::int32_t c = 0) {
  std::vector<std::vector<float>> all;
  for (std::int32_t n : record->levelCount) all.emplace_back(n + 1u, -99.0f);
  float* out[4] = {all[0].data(), all[1].data(), all[2].data(), all[3].data()};
  EXPECT_EQ(HistogramGetLevels(record, out), StatusOk);
  EXPECT_EQ(all[c].back(), -99.0f);  // nothing past the channel's levels
  all[c].pop_back();
  return all[c];
}

// Rows padded by three samples of a value inside the levels: counting padding shows.
struct Image {
  ImageSize size;
  std::int32_t step;
  std::vector<std::int16_t> samples, values;  // values: the counted region in reading order
};

template <typename ValueAt>
Image MakeImage(std::int32_t w, std::int32_t h, ValueAt valueAt) {
  Image img{{w, h}, 2 * (w + 3), std::vector<std::int16_t>((w + 3) * h, 1), {}};
  for (std::int32_t i = 0; i < w * h; ++i) {
    img.values.push_back(static_cast<std::int16_t>(valueAt(i)));
    img.samples[(i / w) * (w + 3) + i % w] = img.values.back();
  }
  return img;
}

// The bin rule read literally: bin k counts level[k] <= v < level[k + 1].
std::vector<std::int32_t> CountByRule(const Image& img, const std::vector<float>& levels) {
  std::map<int, std::int32_t> byValue;
  for (std::int16_t v : img.values) ++byValue[v];
  std::vector<std::int32_t> bins(levels.size() - 1, 0);
  for (const auto& [v, count] : byValue) {
    for (std::size_t k = 0; k + 1 < levels.size(); ++k) {
      if (levels[k] <= v && v < levels[k + 1]) bins[k] += count;
    }
  }
  return bins;
}

void ExpectCounts(const Image& img, const HistogramSpec* record,
                  const std::vector<std::int32_t>& expected) {
  // Dirty and oddly placed: counters must be cleared and read without alignment.
  std::vector<std::uint8_t> scratch(kScratchBytes + 1, 0x5a);
  for (const auto& [count, name] : EntryAndSlots(HistogramS16C1, slots::HistogramS16C1)) {
    std::vector<std::int32_t> bins(expected.size(), -1);
    ASSERT_EQ(
        count(img.samples.data(), img.step, img.size, bins.data(), record, scratch.data() + 1),
        StatusOk);
    EXPECT_EQ(bins, expected) << name;
  }
}

// An unknown data type is the slot's result: specSize is stored, bufferSize is 0.
TEST(HistogramGetSize, ReportsSizes) {
  const std::int32_t big = 536870899;  // (INT32_MAX - 48) / 4: the largest total that fits
  struct Case {
    DataType type;
    std::int32_t width, channels;
    std::vector<std::int32_t> n;
    Status status;
    std::int32_t specSize, bufferSize;
  } cases[] = {
      {7, 640, 1, {4081}, 0, 16372, 262144},
      {2, 640, 1, {4081}, -12, 16372, 0},
      {1, 1, 3, {256, 256, 256}, 0, 3120, 3072},
      {5, 1, 4, {2, 3, 4, 5}, 0, 104, 1048576},
      {13, 1, 1, {2}, 0, 56, 0},
      {7, 1, 1, {big}, 0, 48 + 4 * big, 262144},
  };
  for (const Case& c : cases) {
    for (const auto& [getSize, name] : EntryAndSlots(HistogramGetSize, slots::HistogramGetSize)) {
      std::int32_t specSize = -1, bufferSize = -1;
      SCOPED_TRACE(name + " levels " + std::to_string(c.n[0]));
      EXPECT_EQ(getSize(c.type, {c.width, 5}, c.n.data(), c.channels, 0, &specSize, &bufferSize),
                c.status);
      EXPECT_EQ(specSize, c.specSize);
      EXPECT_EQ(bufferSize, c.bufferSize);
    }
  }
}

// Each case fails one check, or several (the first decides); neither size may be written. A null
// level array or output comes first, whatever the rest: tried on every shape, accepted or not.
TEST(HistogramEntryTest, GetSizeRefusesArgumentsInOrderAndWritesNothing) {
  struct Shape {
    DataType type;
    std::int32_t width, channels;
    std::vector<std::int32_t> n;
  };
  const std::vector<Shape> accepted = {
      {7, 640, 1, {4081}},     {2, 640, 1, {4081}}, {1, 1, 3, {256, 256, 256}},
      {5, 1, 4, {2, 3, 4, 5}}, {13, 1, 1, {2}},     {7, 1, 1, {536870899}},
  };
  const struct {
    Shape shape;
    Status status;
  } refused[] = {
      {{7, 1, 1, {536870900}}, -107},  // one level more than a record can hold
      {{7, 1, 4, {1 << 29, 1 << 29, 1 << 29, 1 << 29}}, -107},
      {{7, 1, 1, {std::numeric_limits<std::int32_t>::max()}}, -107},
      {{2, 1, 3, {4081, 1, 4081}}, -107},
      {{2, 1, 2, {1}}, -53},
      {{2, 0, 2, {1}}, -6},
  };
  std::vector<Shape> shapes = accepted;
  for (const auto& [shape, status] : refused) {
    SCOPED_TRACE(shape.n[0]);
    std::int32_t specSize = -1, bufferSize = -1;
    EXPECT_EQ(HistogramGetSize(shape.type, {shape.width, 5}, shape.n.data(), shape.channels, 0,
                               &specSize, &bufferSize),
              status);
    EXPECT_EQ(specSize, -1);
    EXPECT_EQ(bufferSize, -1);
    shapes.push_back(shape);
  }
  for (const Shape& c : shapes) {
    SCOPED_TRACE(c.n[0]);
    std::int32_t specSize = -1, bufferSize = -1;
    EXPECT_EQ(HistogramGetSize(c.type, {0, 5}, nullptr, c.channels, 0, &specSize, &bufferSize), -8);
    EXPECT_EQ(HistogramGetSize(c.type, {0, 5}, c.n.data(), c.channels, 0, &specSize, nullptr), -8);
    EXPECT_EQ(HistogramGetSize(c.type, {0, 5}, c.n.data(), c.channels, 0, nullptr, &bufferSize),
              -8);
    EXPECT_EQ(specSize, -1);
    EXPECT_EQ(bufferSize, -1);
  }
}

TEST(HistogramInitUniform, IntegerLevelsTruncateTowardZero) {
  std::vector<float> byValue(4081), halves(21);
  for (int i = 0; i < 4081; ++i) byValue[i] = static_cast<float>(i);
  for (int i = 0; i < 21; ++i) halves[i] = static_cast<float>(i / 2);
  struct Case {
    DataType type;
    float lower, upper;
    Status status;
    std::vector<float> levels;
  } cases[] = {
      {7, 0.0f, 4080.0f, 0, byValue},
      {1, 0.0f, 10.0f, 48, halves},
      {5, -0.5f, 3.0f, 0, {0, 3}},
      {7, -0.9f, 2.5f, 0, {0, 0, 2}},
      {7, -7.5f, 7.5f, 0, {-7, -4, -1, 1, 4, 7}},
      {7, -1e10f, 1e10f, 0, {-2147483648.0f, 0, 2147483647.0f}},
  };
  for (const Case& c : cases) {
    for (const auto& [init, name] :
         EntryAndSlots(HistogramInitUniform, slots::HistogramInitUniform)) {
      SCOPED_TRACE(name + " lower " + std::to_string(c.lower));
      const auto n = static_cast<std::int32_t>(c.levels.size());
      Record r = Allocate(c.type, {n});
      EXPECT_EQ(init(c.type, &c.lower, &c.upper, &n, 1, r.record()), c.status);
      EXPECT_EQ(Levels(r.record()), c.levels);
    }
  }
}

TEST(HistogramInitUniform, FloatLevelsKeepBoundsExactly) {
  for (const auto& [init, name] :
       EntryAndSlots(HistogramInitUniform, slots::HistogramInitUniform)) {
    SCOPED_TRACE(name);
    const float lower[] = {0.1f, -1.0f, 0.0f}, upper[] = {0.7f, 1.0f, 1.0f};
    const std::int32_t n[] = {4, 5, 2};
    Record r = Allocate(13, {4, 5, 2});
    EXPECT_EQ(init(13, lower, upper, n, 3, r.record()), 0);  // step below 1 is no warning here
    for (int c = 0; c < 3; ++c) {
      const std::vector<float> levels = Levels(r.record(), c);
      EXPECT_EQ(std::memcmp(&levels.front(), &lower[c], 4), 0);
      EXPECT_EQ(std::memcmp(&levels.back(), &upper[c], 4), 0);
    }
  }
  // Interior levels may differ in the last bit between paths; the generic one is exact here.
  const float lower = -1.0f, upper = 1.0f;
  const std::int32_t n = 5;
  Record r = Allocate(13, {5});
  EXPECT_EQ(slots::HistogramInitUniform[0](13, &lower, &upper, &n, 1, r.record()), 0);
  EXPECT_EQ(Levels(r.record()), (std::vector<float>{-1.0f, -0.5f, 0.0f, 0.5f, 1.0f}));
}

TEST(HistogramInitUniform, RecordLayoutIsTheSameOnBothTargets) {
  Record r = MakeRecord(7, {0, 10, 100}, {4, 20, 400}, {5, 3, 4});
  const HistogramSpec& s = *r.record();
  EXPECT_EQ(std::memcmp(&s.signature, "hist", 4), 0);
  EXPECT_EQ(s.channels, 3);
  EXPECT_EQ(s.levelCount[3], 0);
  EXPECT_EQ(s.levelOffset[3], 0u);
  EXPECT_EQ(s.levelOffset[2] + 4 * 4, 4 * r.words.size());  // last array ends the record
  EXPECT_EQ(Levels(r.record(), 0), (std::vector<float>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Levels(r.record(), 1), (std::vector<float>{10, 15, 20}));
  EXPECT_EQ(Levels(r.record(), 2), (std::vector<float>{100, 200, 300, 400}));
}

// Each case fails one check, or several (the first decides), and leaves the record untouched; a
// bound that is not a number passes. A null bound array comes after the data type only.
TEST(HistogramEntryTest, InitUniformRefusesArgumentsInOrderAndLeavesRecordUntouched) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    DataType type;
    bool nullSpec;
    std::vector<float> lower, upper;
    std::vector<std::int32_t> n;
    std::int32_t channels;
    Status status;
  } cases[] = {
      {2, true, {0}, {1}, {1}, 2, -12},
      {7, true, {0}, {1}, {1}, 2, -8},
      {7, false, {0}, {1}, {1}, 2, -53},
      {7, false, {0}, {1}, {1}, 1, -107},
      {7, false, {5}, {5}, {2}, 1, -7},
      {7, false, {0, 2, 0}, {1, 1, 1}, {2, 2, 1}, 3, -7},
      {7, false, {0, 0, 0}, {1, 1, 1}, {2, 2, 1}, 3, -107},
      {7, false, {0, 0, 0}, {1, 1, 1}, {1 << 29, 1 << 29, 2}, 3, -107},
      {7, false, {nan}, {1}, {2}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    std::vector<std::int32_t> words(64, 0x3c3c3c3c);
    auto* record = c.nullSpec ? nullptr : reinterpret_cast<HistogramSpec*>(words.data());
    EXPECT_EQ(HistogramInitUniform(c.type, c.lower.data(), c.upper.data(), c.n.data(), c.channels,
                                   record),
              c.status);
    if (c.status != 0) {
      EXPECT_EQ(words, std::vector<std::int32_t>(64, 0x3c3c3c3c));
    }
    EXPECT_EQ(HistogramInitUniform(7, c.lower.data(), nullptr, c.n.data(), c.channels, record), -8);
  }
}

TEST(HistogramS16C1, MatchesTheBinRule) {
  const std::int16_t filterMix[] = {0, 1, 4079, 4080, -1, 2040, 2040, 32767, -32768, 7};
  const std::int16_t wide[] = {-32768, -20001, -20000, 0, 19999, 20000, 32767};
  struct Case {
    DataType type;
    float lower, upper;
    std::int32_t n, w, h;
    const std::int16_t* pattern;
    int patternSize;
  } cases[] = {
      {7, 0, 4080, 4081, 10, 10, filterMix + 3, 1},  // all 4080: no bin
      {7, 0, 4080, 4081, 10, 10, filterMix + 4, 1},  // all -1: no bin
      {7, 0, 4080, 4081, 200, 200, filterMix, 10},   // counted directly
      {7, 0, 4080, 4081, 300, 300, filterMix, 10},   // through the counter table
      {7, -40000, 40000, 5, 10, 7, wide, 7},         // levels beyond the 16-bit range
      {7, -40000, 40000, 5, 300, 300, wide, 7},
      {13, -1, 1, 5, 3, 3, filterMix + 4, 2},  // float levels between integers
      {13, -40000, 40000, 5, 9, 9, wide, 7},
      {13, 0, 4080, 4081, 17, 13, filterMix, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w * c.h);
    Record r = MakeRecord(c.type, {c.lower}, {c.upper}, {c.n});
    const Image img =
        MakeImage(c.w, c.h, [&](int i) { return c.pattern[(i * 3) % c.patternSize]; });
    ExpectCounts(img, r.record(), CountByRule(img, Levels(r.record())));
  }
}

TEST(HistogramS16C1, DirectCountingStopsAt65536Pixels) {
  // Evenly spaced levels: the large image repeats the small one plus samples in no bin.
  Record even = MakeRecord(7, {0}, {4080}, {4081});
  auto value = [](int i) { return static_cast<int>((i * 2654435761u >> 16) % 4200) - 60; };
  const Image small = MakeImage(200, 200, value);
  const Image large =
      MakeImage(300, 300, [&](int i) { return i < 40000 ? value(i) : 4080 + i % 3000; });
  ExpectCounts(small, even.record(), CountByRule(small, Levels(even.record())));
  ExpectCounts(large, even.record(), CountByRule(small, Levels(even.record())));
  // Levels 0, 0, 2: direct counting divides by (2 - 0) / 2 and so differs from the table.
  Record uneven = MakeRecord(7, {-0.9f}, {2.5f}, {3});
  ExpectCounts(MakeImage(255, 257, [](int i) { return i % 2; }), uneven.record(), {32768, 32767});
  ExpectCounts(MakeImage(256, 256, [](int i) { return i % 2; }), uneven.record(), {0, 65536});
}

// Each case fails one check, or several (the first decides); neither the bins nor the scratch
// counters may be written.
TEST(HistogramEntryTest, CountRefusesArgumentsInOrderAndWritesNothing) {
  Record good = MakeRecord(7, {0}, {4}, {5});
  Record blank{std::vector<std::int32_t>(good.words.size(), 0)};
  Record forged = good;
  forged.record()->signature = 0x74736967;
  Record damaged = good;
  damaged.record()->levelCount[0] = 1;  // signed, yet no bin to count into
  Record oversized = good;
  oversized.record()->levelCount[0] = 536870900;  // more levels than any record can hold
  Record filter = MakeRecord(7, {0}, {4080}, {4081});
  Record unsignedFilter = filter;
  unsignedFilter.record()->signature = 0;
  Record damagedFilter = filter;
  damagedFilter.record()->levelCount[0] = 1;
  std::vector<std::int16_t> image(80, 5);
  struct Case {
    bool nullImage, nullBins, nullScratch;
    HistogramSpec* record;
    ImageSize size;
    std::int32_t step;
    Status status;
  } cases[] = {
      {true, false, false, blank.record(), {0, 1}, 2, -8},
      {true, false, false, filter.record(), {20, 4}, 40, -8},
      {false, true, false, good.record(), {0, 1}, 2, -8},
      {false, false, false, nullptr, {0, 1}, 2, -8},
      {false, false, false, nullptr, {20, 4}, 40, -8},
      {false, false, true, good.record(), {0, 1}, 2, -8},
      {false, false, false, blank.record(), {0, 1}, 2, -6},
      {false, false, false, blank.record(), {4, 0}, 2, -6},
      {false, false, false, filter.record(), {0, 4}, 40, -6},
      {false, false, false, filter.record(), {20, -1}, 40, -6},
      {false, false, false, blank.record(), {4, 2}, 6, -14},
      {false, false, false, blank.record(), {4, 2}, 7, -14},
      {false, false, false, filter.record(), {20, 4}, 38, -14},
      {false, false, false, good.record(), {1 << 30, 1}, 8, -14},  // 2 * width overflows int32
      {false, false, false, blank.record(), {4, 2}, 8, -5},
      {false, false, false, forged.record(), {4, 2}, 8, -5},
      {false, false, false, unsignedFilter.record(), {20, 4}, 40, -5},
      {false, false, false, damaged.record(), {4, 2}, 8, -5},
      {false, false, false, oversized.record(), {4, 2}, 8, -5},
      {false, false, false, damagedFilter.record(), {20, 4}, 40, -5},
      {false, false, false, good.record(), {4, 2}, 9, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "status " << c.status << " width " << c.size.width);
    std::vector<std::int32_t> bins(4080, -1);
    std::vector<std::uint8_t> scratch(kScratchBytes, 0x5a);
    EXPECT_EQ(HistogramS16C1(c.nullImage ? nullptr : image.data(), c.step, c.size,
                             c.nullBins ? nullptr : bins.data(), c.record,
                             c.nullScratch ? nullptr : scratch.data()),
              c.status);
    if (c.status != 0) {
      EXPECT_EQ(bins, std::vector<std::int32_t>(4080, -1));
      EXPECT_EQ(scratch, std::vector<std::uint8_t>(kScratchBytes, 0x5a));
    }
  }
}

TEST(HistogramEntryTest, GetLevelsRefusesArgumentsInOrderAndWritesNothing) {
  Record good = MakeRecord(7, {0, 0, 0}, {2, 2, 2}, {3, 3, 3});
  Record blank{std::vector<std::int32_t>(good.words.size(), 0)};
  Record forged = good;
  forged.record()->signature = 0x68736974;
  std::vector<float> a(3, -1.0f), b(3, -1.0f);
  float* const complete[] = {a.data(), b.data(), b.data()};
  float* const missing[] = {a.data(), nullptr, b.data()};
  EXPECT_EQ(HistogramGetLevels(nullptr, complete), -8);
  EXPECT_EQ(HistogramGetLevels(blank.record(), nullptr), -8);
  EXPECT_EQ(HistogramGetLevels(blank.record(), complete), -5);
  EXPECT_EQ(HistogramGetLevels(forged.record(), complete), -5);
  EXPECT_EQ(HistogramGetLevels(good.record(), missing), -8);
  EXPECT_EQ(a, std::vector<float>(3, -1.0f));
  EXPECT_EQ(b, std::vector<float>(3, -1.0f));
}

TEST(HistogramGetLevels, CopiesEveryChannel) {
  Record r = MakeRecord(7, {0, 10, -4}, {2, 20, 4}, {3, 3, 5});
  for (const auto& [get, name] : EntryAndSlots(HistogramGetLevels, slots::HistogramGetLevels)) {
    std::vector<float> a(4, -1.0f), b(4, -1.0f), c(6, -1.0f);
    float* const out[] = {a.data(), b.data(), c.data()};
    EXPECT_EQ(get(r.record(), out), 0) << name;
    EXPECT_EQ(a, (std::vector<float>{0, 1, 2, -1})) << name;
    EXPECT_EQ(b, (std::vector<float>{10, 15, 20, -1})) << name;
    EXPECT_EQ(c, (std::vector<float>{-4, -2, 0, 2, 4, -1})) << name;
  }
}

}  // namespace
}  // namespace tessaro
