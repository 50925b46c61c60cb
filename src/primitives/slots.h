// The seven-slot table of every primitive. Entries dispatch through these once their argument
// checks have passed, so a slot may assume valid arguments; tests use the tables directly to
// run one primitive in a chosen slot, with arguments the entry would accept.
#pragma once

#include "primitives/aligned_memory.h"
#include "primitives/arithmetic.h"
#include "primitives/convert.h"
#include "primitives/dispatch.h"
#include "primitives/histogram.h"
#include "primitives/planar_copy.h"
#include "primitives/replace_out_of_range.h"
#include "primitives/statistics.h"

namespace tessaro::slots {

extern const SlotTable<ColorMatrixS16C3Fn> ColorMatrixS16C3;
extern const SlotTable<MeanS16C3Fn> MeanS16C3;
extern const SlotTable<SplitS16C3Fn> SplitS16C3;
extern const SlotTable<SubConstS16C1Fn> SubConstS16C1;
extern const SlotTable<MergeS16C3Fn> MergeS16C3;
extern const SlotTable<MinMaxS16C3Fn> MinMaxS16C3;
extern const SlotTable<HistogramGetSizeFn> HistogramGetSize;
extern const SlotTable<HistogramInitUniformFn> HistogramInitUniform;
extern const SlotTable<HistogramS16C1Fn> HistogramS16C1;
extern const SlotTable<HistogramGetLevelsFn> HistogramGetLevels;
extern const SlotTable<ReplaceOutOfRangeS16C1Fn> ReplaceOutOfRangeS16C1;
extern const SlotTable<ConvertS16ToF32Fn> ConvertS16ToF32;
extern const SlotTable<ConvertF32ToS16Fn> ConvertF32ToS16;
extern const SlotTable<ReplaceOutOfRangeF32C1Fn> ReplaceOutOfRangeF32C1;
extern const SlotTable<AllocRowsF32Fn> AllocRowsF32;
extern const SlotTable<AllocBlockFn> AllocS32;
extern const SlotTable<AllocBlockFn> AllocF32;
extern const SlotTable<AllocBlockFn> AllocU8;
extern const SlotTable<FreeBlockFn> FreeRows;
extern const SlotTable<FreeBlockFn> FreeAligned;

}  // namespace tessaro::slots
