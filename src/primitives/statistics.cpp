// The entries of the image statistics: the argument checks in the order of the contract (the
// first failing check decides the status, and no output is written), then the slot CpuPath
// selects.
#include "primitives/statistics.h"

#include "primitives/slots.h"

namespace tessaro {

Status MeanS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size, double* means) {
  if (means == nullptr || src == nullptr) return StatusNullPointer;
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  return CallSlot(slots::MeanS16C3, src, srcStep, size, means);
}

Status MinMaxS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                   std::int16_t* mins, std::int16_t* maxs) {
  if (src == nullptr || mins == nullptr || maxs == nullptr) return StatusNullPointer;
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  return CallSlot(slots::MinMaxS16C3, src, srcStep, size, mins, maxs);
}

}  // namespace tessaro
