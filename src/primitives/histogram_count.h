// HistogramS16C1, the one implementation: the generic file and each instruction-set file
// include it and supply their own zero fill. Everything has internal linkage, so each file
// keeps its own copy compiled with its own flags; only <cstdint> and <cstring> are used.
#pragma once

#include <cstdint>
#include <cstring>

#include "primitives/histogram.h"

namespace tessaro {
namespace {

constexpr std::int32_t kS16Min = -32768;
constexpr std::int32_t kS16CounterBytes = 65536 * 4;
// Images below this pixel count are counted straight into the bins.
constexpr std::int64_t kDirectCountPixels = 65536;

using ZeroFillFn = void(void* dst, std::size_t bytes);

std::int32_t LoadLevelS32(const std::uint8_t* levels, std::int32_t i) {
  std::int32_t v;
  std::memcpy(&v, levels + 4 * static_cast<std::intptr_t>(i), 4);
  return v;
}

float LoadLevelF32(const std::uint8_t* levels, std::int32_t i) {
  float v;
  std::memcpy(&v, levels + 4 * static_cast<std::intptr_t>(i), 4);
  return v;
}

std::int32_t ClampToS16Bound(std::int32_t level) {
  return level < kS16Min ? kS16Min : (level > -kS16Min ? -kS16Min : level);
}

// First 16-bit value at or above a float level (its ceiling, clamped to the sample range
// plus one); not-a-number admits no sample: the top as a lower bound, the bottom as an
// upper one. Inside (-32768, 32767] truncation is exact and one step up gives the ceiling.
std::int32_t FloatLevelToS16Bound(float level, bool isLower) {
  if (level != level) return isLower ? -kS16Min : kS16Min;
  if (level <= -32768.0f) return kS16Min;
  if (level > 32767.0f) return -kS16Min;
  const auto t = static_cast<std::int32_t>(level);
  return static_cast<float>(t) < level ? t + 1 : t;
}

void IncrementCounter(std::uint8_t* table, std::uint32_t i) {
  std::uint32_t c;
  std::memcpy(&c, table + 4 * i, 4);
  ++c;
  std::memcpy(table + 4 * i, &c, 4);
}

std::uint32_t LoadPair(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// One table only: the caller's scratch holds exactly one set of counters. Flipping the
// sign bit of a sample gives its counter index v + 32768 directly; two samples per 32-bit
// load (little-endian), four loads per step.
void CountRowS16(const std::uint8_t* row, std::int32_t width, std::uint8_t* table) {
  std::int32_t x = 0;
  for (; x + 8 <= width; x += 8) {
    const std::uint8_t* p = row + 2 * x;
    const std::uint32_t a = LoadPair(p) ^ 0x80008000u;
    const std::uint32_t b = LoadPair(p + 4) ^ 0x80008000u;
    const std::uint32_t c = LoadPair(p + 8) ^ 0x80008000u;
    const std::uint32_t d = LoadPair(p + 12) ^ 0x80008000u;
    IncrementCounter(table, a & 0xFFFF);
    IncrementCounter(table, a >> 16);
    IncrementCounter(table, b & 0xFFFF);
    IncrementCounter(table, b >> 16);
    IncrementCounter(table, c & 0xFFFF);
    IncrementCounter(table, c >> 16);
    IncrementCounter(table, d & 0xFFFF);
    IncrementCounter(table, d >> 16);
  }
  for (; x < width; ++x) {
    std::uint16_t v;
    std::memcpy(&v, row + 2 * x, 2);
    IncrementCounter(table, v ^ 0x8000u);
  }
}

// The entry has checked the arguments, the signature and the level count of channel 0.
Status CountHistogramS16C1(const std::int16_t* image, std::int32_t step, ImageSize size,
                           std::int32_t* histogram, const HistogramSpec* record,
                           std::uint8_t* buffer, ZeroFillFn* zeroFill) {
  const std::int32_t bins = record->levelCount[0] - 1;
  const std::uint8_t* levels =
      reinterpret_cast<const std::uint8_t*>(record) + record->levelOffset[0];
  const bool floatLevels = record->dataType == DataTypeF32;
  const auto* base = reinterpret_cast<const std::uint8_t*>(image);
  zeroFill(histogram, static_cast<std::size_t>(bins) * 4);

  if (record->uniform != 0 && !floatLevels) {
    const std::int32_t first = LoadLevelS32(levels, 0);
    const std::int32_t last = LoadLevelS32(levels, bins);
    const std::int64_t span = static_cast<std::int64_t>(last) - first;
    const std::int64_t pixels = static_cast<std::int64_t>(size.width) * size.height;
    if (span % bins == 0 && pixels < kDirectCountPixels) {
      // 0 <= v - first < span < 2^32 for a counted sample: unsigned 32-bit is exact.
      const auto d = static_cast<std::uint32_t>(span / bins);
      for (std::int32_t y = 0; y < size.height; ++y) {
        const std::uint8_t* row = base + static_cast<std::intptr_t>(y) * step;
        for (std::int32_t x = 0; x < size.width; ++x) {
          std::int16_t s;
          std::memcpy(&s, row + 2 * x, 2);
          const std::int32_t v = s;
          if (v >= first && v < last) {
            ++histogram[(static_cast<std::uint32_t>(v) - static_cast<std::uint32_t>(first)) / d];
          }
        }
      }
      return StatusOk;
    }
  }

  zeroFill(buffer, kS16CounterBytes);
  for (std::int32_t y = 0; y < size.height; ++y) {
    CountRowS16(base + static_cast<std::intptr_t>(y) * step, size.width, buffer);
  }
  for (std::int32_t k = 0; k < bins; ++k) {
    std::int32_t lo, hi;
    if (floatLevels) {
      lo = FloatLevelToS16Bound(LoadLevelF32(levels, k), true);
      hi = FloatLevelToS16Bound(LoadLevelF32(levels, k + 1), false);
    } else {
      lo = ClampToS16Bound(LoadLevelS32(levels, k));
      hi = ClampToS16Bound(LoadLevelS32(levels, k + 1));
    }
    // Counters wrap like the 32-bit bins they feed.
    std::uint32_t sum = 0;
    for (std::int32_t v = lo; v < hi; ++v) {
      std::uint32_t c;
      std::memcpy(&c, buffer + 4 * (v - kS16Min), 4);
      sum += c;
    }
    histogram[k] = static_cast<std::int32_t>(sum);
  }
  return StatusOk;
}

}  // namespace
}  // namespace tessaro
