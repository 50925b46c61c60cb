// 64-byte aligned blocks and padded float row images; the heap address sits in the
// pointer-sized word just before each block.
#pragma once

#include <cstdint>

namespace tessaro {

inline constexpr std::int32_t kBlockAlignment = 64;

using AllocBlockFn = void*(std::int32_t count);
using AllocRowsF32Fn = float*(std::int32_t width, std::int32_t height, std::int32_t* step);
using FreeBlockFn = void(void* block);

std::int32_t* AllocS32(std::int32_t count);
float* AllocF32(std::int32_t count);
std::uint8_t* AllocU8(std::int32_t count);
// Rows of width floats; *step = 4 * width rounded up to a multiple of 64, stored before
// the allocation is attempted.
extern AllocRowsF32Fn* const AllocRowsF32;
// Either releases any block of this family; null does nothing.
extern FreeBlockFn* const FreeAligned;
extern FreeBlockFn* const FreeRows;

namespace generic {
AllocBlockFn Alloc32Bit;  // count 32-bit elements
AllocBlockFn AllocBytes;
AllocRowsF32Fn AllocRowsF32;
FreeBlockFn FreeBlock;
}  // namespace generic

}  // namespace tessaro
