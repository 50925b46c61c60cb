// Which implementation each code path runs, for every primitive: one row each, one column per
// CpuPath (the grid's rules are in slot_grid.h; the frame pipeline keeps its kernels' rows in
// pipeline/kernel_slots.cpp). The primitives' entries, which check the arguments before they
// call a slot, live in each family's <family>.cpp.
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


}  // namespace tessaro
