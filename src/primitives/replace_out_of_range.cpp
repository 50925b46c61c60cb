// The entries of the out-of-range replacement: the argument checks in the order of the contract
// (the first failing check decides the status, and no sample changes), then the slot CpuPath
// selects.
#include "primitives/replace_out_of_range.h"

#include "primitives/slots.h"

namespace tessaro {
namespace {

Status CheckImage(const void* image, std::int32_t step, ImageSize size) {
  if (image == nullptr) return StatusNullPointer;
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  if (step <= 0) return StatusStepError;
  return StatusOk;
}

}  // namespace

Status ReplaceOutOfRangeS16C1(std::int16_t* image, std::int32_t step, ImageSize size,
                              std::int32_t lowThreshold, std::int32_t lowValue,
                              std::int32_t highThreshold, std::int32_t highValue) {
  if (const Status status = CheckImage(image, step, size); status != StatusOk) return status;
  // Only the low 16 bits count, for the order of the thresholds too.
  if (static_cast<std::int16_t>(lowThreshold) > static_cast<std::int16_t>(highThreshold)) {
    return StatusThresholdError;
  }
  return CallSlot(slots::ReplaceOutOfRangeS16C1, image, step, size, lowThreshold, lowValue,
                  highThreshold, highValue);
}

Status ReplaceOutOfRangeF32C1(float* image, std::int32_t step, ImageSize size, float lowThreshold,
                              float lowValue, float highThreshold, float highValue) {
  if (const Status status = CheckImage(image, step, size); status != StatusOk) return status;
  if (lowThreshold > highThreshold) return StatusThresholdError;  // a NaN threshold passes
  return CallSlot(slots::ReplaceOutOfRangeF32C1, image, step, size, lowThreshold, lowValue,
                  highThreshold, highValue);
}

}  // namespace tessaro
