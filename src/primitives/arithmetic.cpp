// The entries of the point arithmetic: each checks its arguments in the order of its contract,
// so that the first failing check decides the status and nothing is written, then calls the
// slot CpuPath selects, which only does the work.
#include "primitives/arithmetic.h"

#include "primitives/slots.h"

namespace tessaro {

Status ColorMatrixS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                        std::int32_t dstStep, ImageSize size, const float* matrix) {
  if (src == nullptr || dst == nullptr || matrix == nullptr) return StatusNullPointer;
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  if (srcStep <= 0 || dstStep <= 0) return StatusStepError;
  return CallSlot(slots::ColorMatrixS16C3, src, srcStep, dst, dstStep, size, matrix);
}

Status SubConstS16C1(std::int32_t value, std::int16_t* image, std::int32_t step, ImageSize size,
                     std::int32_t scaleFactor) {
  if (image == nullptr) return StatusNullPointer;
  if (size.height <= 0 || size.width <= 0) return StatusSizeError;
  return CallSlot(slots::SubConstS16C1, value, image, step, size, scaleFactor);
}

}  // namespace tessaro
