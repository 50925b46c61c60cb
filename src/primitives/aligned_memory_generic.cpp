// Aligned blocks carved out of the heap: room to round up to 64 bytes plus one pointer-sized
// word below the block that remembers what the heap returned.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "primitives/aligned_memory.h"
#include "primitives/heap.h"

namespace tessaro::generic {
namespace {

constexpr std::int64_t kWordBytes = sizeof(void*);
// A block plus the 32-bit build's extra bytes (64 + 4) must fit a signed 32-bit size.
// The 64-bit build keeps the same limit so that both targets accept the same requests.
constexpr std::int64_t kMaxBlockBytes = INT32_MAX - (kBlockAlignment + 4);

void* AllocAligned(std::int64_t bytes) {
  if (bytes > kMaxBlockBytes) return nullptr;
  void* heap = HeapAllocate(static_cast<std::size_t>(bytes + kBlockAlignment + kWordBytes));
  if (heap == nullptr) return nullptr;
  // First multiple of 64 that leaves a whole word below it for the heap address.
  const auto address = reinterpret_cast<std::uintptr_t>(heap);
  const std::uintptr_t aligned = (address + kWordBytes + kBlockAlignment - 1) &
                                 ~static_cast<std::uintptr_t>(kBlockAlignment - 1);
  char* block = static_cast<char*>(heap) + (aligned - address);
  std::memcpy(block - kWordBytes, &heap, sizeof heap);
  return block;
}

}  // namespace

void* Alloc32Bit(std::int32_t count) {
  return AllocAligned(std::int64_t{count} * 4);
}

void* AllocBytes(std::int32_t count) {
  return AllocAligned(count);
}

float* AllocRowsF32(std::int32_t width, std::int32_t height, std::int32_t* step) {
  const std::int64_t rowBytes = (std::int64_t{width} * 4 + 63) & ~std::int64_t{63};
  // A padded row beyond the 32-bit step has no layout to report: step 0, as for width 0.
  if (rowBytes > INT32_MAX) {
    *step = 0;
    return nullptr;
  }
  // Stored before allocating: the caller sees the step even when the heap fails.
  *step = static_cast<std::int32_t>(rowBytes);
  return static_cast<float*>(AllocAligned(rowBytes * height));
}

void FreeBlock(void* block) {
  void* heap;
  std::memcpy(&heap, static_cast<char*>(block) - kWordBytes, sizeof heap);
  HeapRelease(heap);
}

}  // namespace tessaro::generic
