// The filters' start in every host: the processor's code path chosen once, before any frame.
#pragma once

#include "primitives/cpu.h"

namespace tessaro::pipeline {

// Instruction sets that the whole build is compiled for, below every slot: the 32-bit build
// computes with SSE2 everywhere so that every target gives the same bits, its generic slot too.
#ifdef TESSARO_BASELINE_SSE2
inline constexpr CpuFeatureMask kBuildBaseline = CpuSse2;
#else
inline constexpr CpuFeatureMask kBuildBaseline = 0;
#endif

// Whether the filters may run: the primitive layer started (`init`, its warnings included) and
// the processor has every instruction set in `baseline`, as its feature query (`features`,
// `mask`) reports; a processor that cannot be asked is taken to lack them.
bool StartVerdict(Status init, Status features, CpuFeatureMask mask, CpuFeatureMask baseline);

// Detects the processor (again, harmlessly, when called again) and gives the verdict for this
// build. A host runs no frame through the filters when it is false.
bool StartFilters();

}  // namespace tessaro::pipeline
