#pragma once

#include "host/host_records.h"
#include "primitives/cpu.h"

namespace tessaro {

// Instruction sets that the whole module is compiled for, below every slot: the 32-bit build
// computes with SSE2 everywhere so that both targets give the same bits, its generic slot too.
#ifdef TESSARO_BASELINE_SSE2
inline constexpr CpuFeatureMask kModuleBaseline = CpuSse2;
#else
inline constexpr CpuFeatureMask kModuleBaseline = 0;
#endif

// Shared start-up callback of both filters: detects the processor once.
HostBool FilterInit(FilterDescriptor* filter);

// TRUE when the primitive layer started (`init`, its warnings included) and the processor has
// every instruction set in `baseline`, as its feature query (`features`, `mask`) reports; a
// processor that cannot be asked is taken to lack them.
HostBool StartupVerdict(Status init, Status features, CpuFeatureMask mask, CpuFeatureMask baseline);

}  // namespace tessaro
