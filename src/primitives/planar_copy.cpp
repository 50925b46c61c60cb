// The entries of the planar copies: the argument checks in the order of the contract (the first
// failing check decides the status, and nothing is written), then the slot CpuPath selects.
#include "primitives/planar_copy.h"

#include "primitives/slots.h"

namespace tessaro {

Status SplitS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* const* planes,
                  std::int32_t planeStep, ImageSize size) {
  if (src == nullptr || planes == nullptr || planes[0] == nullptr || planes[1] == nullptr ||
      planes[2] == nullptr) {
    return StatusNullPointer;
  }
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  return CallSlot(slots::SplitS16C3, src, srcStep, planes, planeStep, size);
}

Status MergeS16C3(const std::int16_t* const* planes, std::int32_t planeStep, std::int16_t* dst,
                  std::int32_t dstStep, ImageSize size) {
  if (planes == nullptr || dst == nullptr || planes[0] == nullptr || planes[1] == nullptr ||
      planes[2] == nullptr) {
    return StatusNullPointer;
  }
  if (size.width <= 0 || size.height <= 0) return StatusSizeError;
  return CallSlot(slots::MergeS16C3, planes, planeStep, dst, dstStep, size);
}

}  // namespace tessaro
