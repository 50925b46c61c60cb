// The entries of the conversions: the argument checks in the order of the contract (the first
// failing check decides the status, and nothing is written), then the slot CpuPath selects.
#include "primitives/convert.h"

#include "primitives/slots.h"

namespace tessaro {
namespace {

Status CheckArguments(const void* src, std::int32_t srcStep, const void* dst, std::int32_t dstStep,
                      ImageSize size) {
  if (src == nullptr || dst == nullptr) return StatusNullPointer;
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  if (srcStep <= 0 || dstStep <= 0) return StatusStepError;
  return StatusOk;
}

}  // namespace

Status ConvertS16ToF32(const std::int16_t* src, std::int32_t srcStep, float* dst,
                       std::int32_t dstStep, ImageSize size) {
  if (const Status status = CheckArguments(src, srcStep, dst, dstStep, size); status != StatusOk) {
    return status;
  }
  return CallSlot(slots::ConvertS16ToF32, src, srcStep, dst, dstStep, size);
}

Status ConvertF32ToS16(const float* src, std::int32_t srcStep, std::int16_t* dst,
                       std::int32_t dstStep, ImageSize size, RoundMode mode) {
  if (const Status status = CheckArguments(src, srcStep, dst, dstStep, size); status != StatusOk) {
    return status;
  }
  return CallSlot(slots::ConvertF32ToS16, src, srcStep, dst, dstStep, size, mode);
}

}  // namespace tessaro
