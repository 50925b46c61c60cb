// Which implementation each code path runs, for every primitive and every kernel of the frame
// pipeline: one row each, one column per CpuPath. A column names the instruction set whose
// file (<family>_<instruction set>.cpp) holds the code; an instruction set that brings nothing
// for a row names the one below. Every row climbs: no slot runs code for an older instruction
// set than the slot before it, nor for one its processors may lack. The primitives' entries,
// which check the arguments before they call a slot, live in each family's <family>.cpp.
#include "primitives/slots.h"

namespace tessaro {

std::atomic<std::int32_t> CpuPath{PathGeneric};

namespace slots {
namespace {

// Each instruction set's first slot: the lowest CpuPath whose processors have it.
namespace first_slot {
constexpr int generic = PathGeneric;
constexpr int sse2 = PathSse2;
constexpr int ssse3 = PathSsse3;
constexpr int sse41 = PathSse41;
constexpr int avx = PathAvx;
constexpr int avx2 = PathAvx2;
}  // namespace first_slot

// firstSlots[slot]: the first slot of the instruction set that slot runs.
constexpr bool Climbs(const int (&firstSlots)[kPathCount]) {
  for (int slot = 0; slot < kPathCount; ++slot) {
    if (firstSlots[slot] > slot || (slot > 0 && firstSlots[slot] < firstSlots[slot - 1])) {
      return false;
    }
  }
  return true;
}

}  // namespace

// TABLE's seven slots run IMPL of the instruction sets named; the row must climb.
#define TESSARO_SLOTS_OF(TABLE, IMPL, I0, I1, I2, I3, I4, I5, I6)                       \
  const SlotTable<std::remove_pointer_t<decltype(&I0::IMPL)>> TABLE = {                 \
      I0::IMPL, I1::IMPL, I2::IMPL, I3::IMPL, I4::IMPL, I5::IMPL, I6::IMPL};            \
  static_assert(Climbs({first_slot::I0, first_slot::I1, first_slot::I2, first_slot::I3, \
                        first_slot::I4, first_slot::I5, first_slot::I6}),               \
                #TABLE " must climb")
#define TESSARO_SLOTS(NAME, I0, I1, I2, I3, I4, I5, I6) \
  TESSARO_SLOTS_OF(NAME, NAME, I0, I1, I2, I3, I4, I5, I6)

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
// The frame pipeline's kernels, each applying the colour matrix of its slot's ColorMatrixS16C3.
TESSARO_SLOTS(MeasureS16C3,             generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(CountS16C3,               generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
TESSARO_SLOTS(LookupS16C3,              generic, generic, generic, generic, generic, generic, avx2);
TESSARO_SLOTS(MatrixLookupS16C3,        generic, sse2,    sse2,    sse2,    sse2,    sse2,    avx2);
// clang-format on

#undef TESSARO_SLOTS
#undef TESSARO_SLOTS_OF

}  // namespace slots

// The frame pipeline's kernels' entries, made from the tables' types.
MeasureS16C3Fn* const MeasureS16C3 = Entry<slots::MeasureS16C3>;
CountS16C3Fn* const CountS16C3 = Entry<slots::CountS16C3>;
LookupS16C3Fn* const LookupS16C3 = Entry<slots::LookupS16C3>;
MatrixLookupS16C3Fn* const MatrixLookupS16C3 = Entry<slots::MatrixLookupS16C3>;

}  // namespace tessaro
