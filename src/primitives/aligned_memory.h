// 64-byte aligned blocks and padded float row images; the heap address sits in the
// pointer-sized word just before each block.
#pragma once

#include <cstdint>

namespace tessaro {

inline constexpr std::int32_t kBlockAlignment = 64;

// Slots may assume the entry's checks passed: a positive count, a positive width and height
// with a step pointer, a block that is not null. Requests too large for a signed 32-bit size
// are the slots' to refuse, as the heap's failures are.
using AllocBlockFn = void*(std::int32_t count);
using AllocRowsF32Fn = float*(std::int32_t width, std::int32_t height, std::int32_t* step);
using FreeBlockFn = void(void* block);

// The entries (aligned_memory.cpp). A count of 0 or less gives null.
std::int32_t* AllocS32(std::int32_t count);
float* AllocF32(std::int32_t count);
std::uint8_t* AllocU8(std::int32_t count);
// Rows of width floats; *step = 4 * width rounded up to a multiple of 64, stored before
// the allocation is attempted. No step pointer: null; a width or height of 0 or less: step 0
// and null.
AllocRowsF32Fn AllocRowsF32;
// Either releases any block of this family; null does nothing.
FreeBlockFn FreeAligned;
FreeBlockFn FreeRows;

namespace generic {
AllocBlockFn Alloc32Bit;  // count 32-bit elements
AllocBlockFn AllocBytes;
AllocRowsF32Fn AllocRowsF32;
FreeBlockFn FreeBlock;
}  // namespace generic

}  // namespace tessaro
