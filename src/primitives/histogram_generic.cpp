// Histogram record and counting, scalar reference.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "primitives/histogram.h"

namespace tessaro::generic {
namespace {

constexpr std::int32_t kHeaderBytes = static_cast<std::int32_t>(sizeof(HistogramSpec));
// Most level entries whose record size (and so every offset inside it) still fits int32.
constexpr std::int64_t kMaxTotalLevels =
    (std::numeric_limits<std::int32_t>::max() - kHeaderBytes) / 4;
constexpr std::int32_t kS16Min = -32768;
constexpr std::int32_t kS16Counters = 65536;
constexpr std::int32_t kS16BufferBytes = kS16Counters * 4;
// Images below this pixel count are counted straight into the bins.
constexpr std::int64_t kDirectCountPixels = 65536;

bool IsDataType(DataType type) {
  return type == DataTypeU8 || type == DataTypeU16 || type == DataTypeS16 || type == DataTypeF32;
}

bool IsChannelCount(std::int32_t channels) {
  return channels == 1 || channels == 3 || channels == 4;
}

// Each count needs two boundaries, and the running total must keep the record size in int32.
bool IsLevelCount(std::int32_t n, std::int64_t& total) {
  if (n < 2) return false;
  total += n;
  return total <= kMaxTotalLevels;
}

// Level arrays sit at 4-byte offsets inside caller memory: byte access keeps it free of
// alignment and aliasing assumptions.
std::uint8_t* LevelArray(HistogramSpec* spec, std::int32_t c) {
  return reinterpret_cast<std::uint8_t*>(spec) + spec->levelOffset[c];
}
const std::uint8_t* LevelArray(const HistogramSpec* spec, std::int32_t c) {
  return reinterpret_cast<const std::uint8_t*>(spec) + spec->levelOffset[c];
}

template <typename T>
void Store(std::uint8_t* array, std::int64_t i, T value) {
  static_assert(sizeof(T) == 4);
  std::memcpy(array + 4 * i, &value, 4);
}

template <typename T>
T Load(const std::uint8_t* array, std::int64_t i) {
  static_assert(sizeof(T) == 4);
  T value;
  std::memcpy(&value, array + 4 * i, 4);
  return value;
}

// Toward zero, saturated; a bound that is not a number still has to give some level.
std::int32_t TruncateToS32(double x) {
  if (x != x) return 0;
  if (x <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  if (x >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(x);
}

std::int32_t ClampToS16Bound(std::int32_t level) {
  return level < kS16Min ? kS16Min : (level > -kS16Min ? -kS16Min : level);
}

// First 16-bit value at or above a float level; not-a-number admits no sample, so it
// maps to the top as a lower bound and to the bottom as an upper bound.
std::int32_t FloatLevelToS16Bound(float level, bool isLower) {
  if (level != level) return isLower ? -kS16Min : kS16Min;
  const double up = std::ceil(static_cast<double>(level));
  if (up <= kS16Min) return kS16Min;
  if (up >= -kS16Min) return -kS16Min;
  return static_cast<std::int32_t>(up);
}

template <typename Visit>
void ForEachSample(const std::int16_t* image, std::int32_t step, ImageSize size, Visit visit) {
  const auto* base = reinterpret_cast<const std::uint8_t*>(image);
  for (std::int32_t y = 0; y < size.height; ++y) {
    // An odd step leaves rows misaligned, so samples are read bytewise.
    const std::uint8_t* row = base + static_cast<std::ptrdiff_t>(y) * step;
    for (std::int32_t x = 0; x < size.width; ++x) {
      std::int16_t v;
      std::memcpy(&v, row + 2 * static_cast<std::ptrdiff_t>(x), 2);
      visit(static_cast<std::int32_t>(v));
    }
  }
}

}  // namespace

Status HistogramGetSize(DataType type, ImageSize size, const std::int32_t* nLevels,
                        std::int32_t channels, std::int32_t /*hint*/, std::int32_t* specSize,
                        std::int32_t* bufferSize) {
  if (nLevels == nullptr || specSize == nullptr || bufferSize == nullptr) {
    return StatusNullPointer;
  }
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  if (!IsChannelCount(channels)) return StatusChannelError;
  std::int64_t total = 0;
  for (std::int32_t c = 0; c < channels; ++c) {
    if (!IsLevelCount(nLevels[c], total)) return StatusLevelCountError;
  }
  *specSize = static_cast<std::int32_t>(kHeaderBytes + 4 * total);

  std::int32_t perChannel = 0;
  switch (type) {
    case DataTypeU8:
      perChannel = 256 * 4;
      break;
    case DataTypeU16:
    case DataTypeS16:
      perChannel = kS16BufferBytes;
      break;
    case DataTypeF32:
      break;
    default:
      *bufferSize = 0;
      return StatusDataTypeError;
  }
  *bufferSize = perChannel * channels;
  return StatusOk;
}

Status HistogramInitUniform(DataType type, const float* lower, const float* upper,
                            const std::int32_t* nLevels, std::int32_t channels,
                            HistogramSpec* spec) {
  if (!IsDataType(type)) return StatusDataTypeError;
  if (lower == nullptr || upper == nullptr || nLevels == nullptr || spec == nullptr) {
    return StatusNullPointer;
  }
  if (!IsChannelCount(channels)) return StatusChannelError;
  std::int64_t total = 0;
  for (std::int32_t c = 0; c < channels; ++c) {
    if (!IsLevelCount(nLevels[c], total)) return StatusLevelCountError;
    if (lower[c] >= upper[c]) return StatusRangeError;  // not-a-number passes
  }

  spec->dataType = type;
  spec->channels = channels;
  spec->uniform = 1;
  spec->signature = 0;
  Status result = StatusOk;
  std::uint32_t offset = kHeaderBytes;
  for (std::int32_t c = 0; c < 4; ++c) {
    if (c >= channels) {
      spec->levelCount[c] = 0;
      spec->levelOffset[c] = 0;
      continue;
    }
    const std::int32_t n = nLevels[c];
    spec->levelCount[c] = n;
    spec->levelOffset[c] = offset;
    offset += 4u * static_cast<std::uint32_t>(n);

    std::uint8_t* levels = LevelArray(spec, c);
    const double lo = lower[c];
    const double step = (static_cast<double>(upper[c]) - lo) / static_cast<double>(n - 1);
    if (type == DataTypeF32) {
      Store(levels, 0, lower[c]);
      Store(levels, n - 1, upper[c]);
      for (std::int32_t i = 1; i < n - 1; ++i) {
        Store(levels, i, static_cast<float>(lo + static_cast<double>(i) * step));
      }
    } else {
      Store(levels, 0, TruncateToS32(lo));
      Store(levels, n - 1, TruncateToS32(upper[c]));
      for (std::int32_t i = 1; i < n - 1; ++i) {
        Store(levels, i, TruncateToS32(lo + static_cast<double>(i) * step));
      }
      if (step < 1.0) result = StatusLevelStepWarning;  // neighbouring levels may repeat
    }
  }
  spec->signature = kHistogramSignature;
  return result;
}

Status HistogramS16C1(const std::int16_t* image, std::int32_t step, ImageSize size,
                      std::int32_t* histogram, const HistogramSpec* spec, std::uint8_t* buffer) {
  if (image == nullptr || histogram == nullptr || spec == nullptr || buffer == nullptr) {
    return StatusNullPointer;
  }
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  if (step < 2 * static_cast<std::int64_t>(size.width)) return StatusStepError;
  if (spec->signature != kHistogramSignature) return StatusContextError;
  // A count the record could never have been filled with means a damaged record.
  const std::int32_t n = spec->levelCount[0];
  if (n < 2 || n > kMaxTotalLevels) return StatusContextError;

  const std::int32_t bins = n - 1;
  const std::uint8_t* levels = LevelArray(spec, 0);
  const bool floatLevels = spec->dataType == DataTypeF32;
  std::memset(histogram, 0, static_cast<std::size_t>(bins) * 4);

  if (spec->uniform != 0 && !floatLevels) {
    const std::int32_t first = Load<std::int32_t>(levels, 0);
    const std::int32_t last = Load<std::int32_t>(levels, bins);
    const std::int64_t span = static_cast<std::int64_t>(last) - first;
    const std::int64_t pixels = static_cast<std::int64_t>(size.width) * size.height;
    if (span % bins == 0 && pixels < kDirectCountPixels) {
      // For a counted sample 0 <= v - first < span < 2^32, so unsigned 32-bit
      // arithmetic is exact and stays cheap on the 32-bit target.
      const auto d = static_cast<std::uint32_t>(span / bins);
      ForEachSample(image, step, size, [&](std::int32_t v) {
        if (v >= first && v < last) {
          ++histogram[(static_cast<std::uint32_t>(v) - static_cast<std::uint32_t>(first)) / d];
        }
      });
      return StatusOk;
    }
  }

  std::memset(buffer, 0, kS16BufferBytes);
  ForEachSample(image, step, size, [&](std::int32_t v) {
    const std::int32_t i = v - kS16Min;
    Store(buffer, i, Load<std::uint32_t>(buffer, i) + 1u);
  });
  for (std::int32_t k = 0; k < bins; ++k) {
    std::int32_t lo, hi;
    if (floatLevels) {
      lo = FloatLevelToS16Bound(Load<float>(levels, k), true);
      hi = FloatLevelToS16Bound(Load<float>(levels, k + 1), false);
    } else {
      lo = ClampToS16Bound(Load<std::int32_t>(levels, k));
      hi = ClampToS16Bound(Load<std::int32_t>(levels, k + 1));
    }
    // Counters wrap like the 32-bit bins they feed.
    std::uint32_t sum = 0;
    for (std::int32_t v = lo; v < hi; ++v) sum += Load<std::uint32_t>(buffer, v - kS16Min);
    histogram[k] = static_cast<std::int32_t>(sum);
  }
  return StatusOk;
}

Status HistogramGetLevels(const HistogramSpec* spec, float* const* levels) {
  if (spec == nullptr || levels == nullptr) return StatusNullPointer;
  if (spec->signature != kHistogramSignature) return StatusContextError;
  // A damaged channel count must not lead past the four slots.
  const std::int32_t channels = spec->channels < 4 ? spec->channels : 4;
  for (std::int32_t c = 0; c < channels; ++c) {
    if (spec->levelCount[c] > 0 && levels[c] == nullptr) return StatusNullPointer;
  }
  for (std::int32_t c = 0; c < channels; ++c) {
    const std::int32_t n = spec->levelCount[c];
    if (n <= 0) continue;
    const std::uint8_t* src = LevelArray(spec, c);
    if (spec->dataType == DataTypeF32) {
      std::memcpy(levels[c], src, static_cast<std::size_t>(n) * 4);
    } else {
      for (std::int32_t i = 0; i < n; ++i) {
        levels[c][i] = static_cast<float>(Load<std::int32_t>(src, i));
      }
    }
  }
  return StatusOk;
}

}  // namespace tessaro::generic
