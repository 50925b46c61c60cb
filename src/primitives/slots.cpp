// Which implementation each code path runs, for every primitive and every kernel of the frame
// pipeline: one row each, one column per CpuPath. A column names the instruction-set level
// whose file (<family>_<level>.cpp) holds the code; a level that brings nothing for a row
// names the one below. Every row climbs: no slot runs a lower level than the slot before it,
// nor a level above its own.
#include "primitives/slots.h"

#include "primitives/slot_grid.h"

namespace tessaro {

std::atomic<std::int32_t> CpuPath{PathGeneric};

namespace slots {

// clang-format off
// CpuPath:                             0        1        2        3        4        5        6
//                                      generic  SSE2     SSSE3    SSSE3    SSE4.1   AVX      AVX2
//                                                                 +MOVBE
TESSARO_SLOTS(ColorMatrixS16C3,         generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(MeanS16C3,                generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(SplitS16C3,               generic, sse2,    sse2,    sse2,    sse41,   sse41,   avx2);
TESSARO_SLOTS(SubConstS16C1,            generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(MergeS16C3,               generic, sse2,    ssse3,   ssse3,   sse41,   sse41,   avx2);
TESSARO_SLOTS(MinMaxS16C3,              generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(HistogramGetSize,         generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS(HistogramInitUniform,     generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS(HistogramS16C1,           generic, sse2,    sse2,    sse2,    sse2,    avx,     avx);
TESSARO_SLOTS(HistogramGetLevels,       generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS(ReplaceOutOfRangeS16C1,   generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(ConvertS16ToF32,          generic, sse2,    sse2,    sse2,    sse41,   sse41,   avx2);
TESSARO_SLOTS(ConvertF32ToS16,          generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(ReplaceOutOfRangeF32C1,   generic, sse2,    sse2,    sse2,    sse41,   avx,     avx);
TESSARO_SLOTS(AllocRowsF32,             generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS_OF(AllocS32, Alloc32Bit,  generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS_OF(AllocF32, Alloc32Bit,  generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS_OF(AllocU8, AllocBytes,   generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS_OF(FreeRows, FreeBlock,   generic, generic, generic, generic, generic, generic, generic);
TESSARO_SLOTS_OF(FreeAligned, FreeBlock,generic, generic, generic, generic, generic, generic, generic);
// clang-format on

}  // namespace slots

// The entries, made from the tables' types.
ColorMatrixS16C3Fn* const ColorMatrixS16C3 = Entry<slots::ColorMatrixS16C3>;
MeanS16C3Fn* const MeanS16C3 = Entry<slots::MeanS16C3>;
SplitS16C3Fn* const SplitS16C3 = Entry<slots::SplitS16C3>;
SubConstS16C1Fn* const SubConstS16C1 = Entry<slots::SubConstS16C1>;
MergeS16C3Fn* const MergeS16C3 = Entry<slots::MergeS16C3>;
MinMaxS16C3Fn* const MinMaxS16C3 = Entry<slots::MinMaxS16C3>;
HistogramGetSizeFn* const HistogramGetSize = Entry<slots::HistogramGetSize>;
HistogramInitUniformFn* const HistogramInitUniform = Entry<slots::HistogramInitUniform>;
HistogramS16C1Fn* const HistogramS16C1 = Entry<slots::HistogramS16C1>;
HistogramGetLevelsFn* const HistogramGetLevels = Entry<slots::HistogramGetLevels>;
ReplaceOutOfRangeS16C1Fn* const ReplaceOutOfRangeS16C1 = Entry<slots::ReplaceOutOfRangeS16C1>;
ConvertS16ToF32Fn* const ConvertS16ToF32 = Entry<slots::ConvertS16ToF32>;
ConvertF32ToS16Fn* const ConvertF32ToS16 = Entry<slots::ConvertF32ToS16>;
ReplaceOutOfRangeF32C1Fn* const ReplaceOutOfRangeF32C1 = Entry<slots::ReplaceOutOfRangeF32C1>;
AllocRowsF32Fn* const AllocRowsF32 = Entry<slots::AllocRowsF32>;
FreeBlockFn* const FreeRows = Entry<slots::FreeRows>;
FreeBlockFn* const FreeAligned = Entry<slots::FreeAligned>;

// The typed blocks: their tables share one untyped implementation.
std::int32_t* AllocS32(std::int32_t count) {
  return static_cast<std::int32_t*>(CallSlot(slots::AllocS32, count));
}
float* AllocF32(std::int32_t count) {
  return static_cast<float*>(CallSlot(slots::AllocF32, count));
}
std::uint8_t* AllocU8(std::int32_t count) {
  return static_cast<std::uint8_t*>(CallSlot(slots::AllocU8, count));
}

}  // namespace tessaro
