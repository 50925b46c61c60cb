// The entries of the histogram primitives: the checks in the order of each contract (the first
// failing check decides the status, and nothing is written), then the slot CpuPath selects.
// What a slot still reports is a result of its work: HistogramGetSize's unknown data type,
// after specSize is stored, and HistogramInitUniform's warning for levels that may repeat.
#include "primitives/histogram.h"

#include <cstdint>

#include "primitives/slots.h"

namespace tessaro {
namespace {

// Most level entries whose record size (and so every offset inside it) still fits int32.
constexpr std::int64_t kMaxTotalLevels =
    (INT32_MAX - static_cast<std::int64_t>(sizeof(HistogramSpec))) / 4;

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

bool IsSigned(const HistogramSpec* record) {
  return record->signature == kHistogramSignature;
}

}  // namespace

Status HistogramGetSize(DataType type, ImageSize size, const std::int32_t* nLevels,
                        std::int32_t channels, std::int32_t hint, std::int32_t* specSize,
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
  return CallSlot(slots::HistogramGetSize, type, size, nLevels, channels, hint, specSize,
                  bufferSize);
}

Status HistogramInitUniform(DataType type, const float* lower, const float* upper,
                            const std::int32_t* nLevels, std::int32_t channels,
                            HistogramSpec* record) {
  if (!IsDataType(type)) return StatusDataTypeError;
  if (lower == nullptr || upper == nullptr || nLevels == nullptr || record == nullptr) {
    return StatusNullPointer;
  }
  if (!IsChannelCount(channels)) return StatusChannelError;
  std::int64_t total = 0;
  for (std::int32_t c = 0; c < channels; ++c) {
    if (!IsLevelCount(nLevels[c], total)) return StatusLevelCountError;
    if (lower[c] >= upper[c]) return StatusRangeError;  // not-a-number passes
  }
  return CallSlot(slots::HistogramInitUniform, type, lower, upper, nLevels, channels, record);
}

Status HistogramS16C1(const std::int16_t* image, std::int32_t step, ImageSize size,
                      std::int32_t* histogram, const HistogramSpec* record, std::uint8_t* buffer) {
  if (image == nullptr || histogram == nullptr || record == nullptr || buffer == nullptr) {
    return StatusNullPointer;
  }
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  if (step < 2 * static_cast<std::int64_t>(size.width)) return StatusStepError;
  if (!IsSigned(record)) return StatusContextError;
  // A count the record could never have been filled with means a damaged record.
  const std::int32_t n = record->levelCount[0];
  if (n < 2 || n > kMaxTotalLevels) return StatusContextError;
  return CallSlot(slots::HistogramS16C1, image, step, size, histogram, record, buffer);
}

Status HistogramGetLevels(const HistogramSpec* record, float* const* levels) {
  if (record == nullptr || levels == nullptr) return StatusNullPointer;
  if (!IsSigned(record)) return StatusContextError;
  // A damaged channel count must not lead past the record's four channels.
  const std::int32_t channels = record->channels < 4 ? record->channels : 4;
  for (std::int32_t c = 0; c < channels; ++c) {
    if (record->levelCount[c] > 0 && levels[c] == nullptr) return StatusNullPointer;
  }
  return CallSlot(slots::HistogramGetLevels, record, levels);
}

}  // namespace tessaro
