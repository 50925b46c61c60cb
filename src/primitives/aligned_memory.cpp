// The entries of the aligned allocator: what the contract says of non-positive counts and
// sizes, of a missing step pointer and of a null block, then the slot CpuPath selects.
#include "primitives/aligned_memory.h"

#include "primitives/slots.h"

namespace tessaro {

// The typed blocks: their tables share one untyped implementation.
std::int32_t* AllocS32(std::int32_t count) {
  if (count <= 0) return nullptr;
  return static_cast<std::int32_t*>(CallSlot(slots::AllocS32, count));
}

float* AllocF32(std::int32_t count) {
  if (count <= 0) return nullptr;
  return static_cast<float*>(CallSlot(slots::AllocF32, count));
}

std::uint8_t* AllocU8(std::int32_t count) {
  if (count <= 0) return nullptr;
  return static_cast<std::uint8_t*>(CallSlot(slots::AllocU8, count));
}

float* AllocRowsF32(std::int32_t width, std::int32_t height, std::int32_t* step) {
  if (step == nullptr) return nullptr;
  if (width <= 0 || height <= 0) {
    *step = 0;
    return nullptr;
  }
  return CallSlot(slots::AllocRowsF32, width, height, step);
}

void FreeAligned(void* block) {
  if (block != nullptr) CallSlot(slots::FreeAligned, block);
}

void FreeRows(void* block) {
  if (block != nullptr) CallSlot(slots::FreeRows, block);
}

}  // namespace tessaro
