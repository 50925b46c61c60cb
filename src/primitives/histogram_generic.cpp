// Histogram record and counting, scalar reference.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "primitives/histogram.h"
#include "primitives/histogram_count.h"

namespace tessaro::generic {
namespace {

constexpr std::int32_t kHeaderBytes = static_cast<std::int32_t>(sizeof(HistogramSpec));

// Level arrays sit at 4-byte offsets inside caller memory: byte access keeps it free of
// alignment and aliasing assumptions.
std::uint8_t* LevelArray(HistogramSpec* record, std::int32_t c) {
  return reinterpret_cast<std::uint8_t*>(record) + record->levelOffset[c];
}
const std::uint8_t* LevelArray(const HistogramSpec* record, std::int32_t c) {
  return reinterpret_cast<const std::uint8_t*>(record) + record->levelOffset[c];
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

void ZeroFill(void* dst, std::size_t bytes) {
  std::memset(dst, 0, bytes);
}

}  // namespace

Status HistogramGetSize(DataType type, ImageSize /*size*/, const std::int32_t* nLevels,
                        std::int32_t channels, std::int32_t /*hint*/, std::int32_t* specSize,
                        std::int32_t* bufferSize) {
  std::int64_t total = 0;
  for (std::int32_t c = 0; c < channels; ++c) total += nLevels[c];
  *specSize = static_cast<std::int32_t>(kHeaderBytes + 4 * total);

  std::int32_t perChannel = 0;
  switch (type) {
    case DataTypeU8:
      perChannel = 256 * 4;
      break;
    case DataTypeU16:
    case DataTypeS16:
      perChannel = kS16CounterBytes;
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
                            HistogramSpec* record) {
  record->dataType = type;
  record->channels = channels;
  record->uniform = 1;
  record->signature = 0;
  Status result = StatusOk;
  std::uint32_t offset = kHeaderBytes;
  for (std::int32_t c = 0; c < 4; ++c) {
    if (c >= channels) {
      record->levelCount[c] = 0;
      record->levelOffset[c] = 0;
      continue;
    }
    const std::int32_t n = nLevels[c];
    record->levelCount[c] = n;
    record->levelOffset[c] = offset;
    offset += 4u * static_cast<std::uint32_t>(n);

    std::uint8_t* levels = LevelArray(record, c);
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
  record->signature = kHistogramSignature;
  return result;
}

Status HistogramS16C1(const std::int16_t* image, std::int32_t step, ImageSize size,
                      std::int32_t* histogram, const HistogramSpec* record, std::uint8_t* buffer) {
  return CountHistogramS16C1(image, step, size, histogram, record, buffer, ZeroFill);
}

Status HistogramGetLevels(const HistogramSpec* record, float* const* levels) {
  // A damaged channel count must not lead past the record's four channels.
  const std::int32_t channels = record->channels < 4 ? record->channels : 4;
  for (std::int32_t c = 0; c < channels; ++c) {
    const std::int32_t n = record->levelCount[c];
    if (n <= 0) continue;
    const std::uint8_t* src = LevelArray(record, c);
    if (record->dataType == DataTypeF32) {
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
