// STUB: replaced by the family's generic implementation
#include "primitives/aligned_memory.h"
namespace tessaro::generic {
void* Alloc32Bit(std::int32_t) { return nullptr; }
void* AllocBytes(std::int32_t) { return nullptr; }
float* AllocRowsF32(std::int32_t, std::int32_t, std::int32_t*) { return nullptr; }
void FreeBlock(void*) {}
}
