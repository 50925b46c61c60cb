// The seven-slot tables of the frame pipeline's kernels. Entries dispatch through these; tests
// use them directly to run one kernel in a chosen slot.
#pragma once

#include "pipeline/frame_map.h"
#include "pipeline/frame_measure.h"
#include "pipeline/picture_kernels.h"
#include "primitives/dispatch.h"

namespace tessaro::slots {

extern const SlotTable<MeasureS16C3Fn> MeasureS16C3;
extern const SlotTable<CountS16C3Fn> CountS16C3;
extern const SlotTable<LookupS16C3Fn> LookupS16C3;
extern const SlotTable<MatrixLookupS16C3Fn> MatrixLookupS16C3;
extern const SlotTable<MeasureU8C4Fn> MeasureU8C4;
extern const SlotTable<LookupU8C4Fn> LookupU8C4;
extern const SlotTable<WeightedSumU8C4Fn> WeightedSumU8C4;
extern const SlotTable<MoveU8C4Fn> MoveU8C4;

}  // namespace tessaro::slots
