#include "host/startup.h"

namespace tessaro {

// A 32-bit build must declare its baseline: without the check a processor lacking SSE2 would
// start the filters and meet an illegal instruction in the first frame.
static_assert(sizeof(void*) == 8 || kModuleBaseline == CpuSse2);

HostBool StartupVerdict(Status init, Status features, CpuFeatureMask mask,
                        CpuFeatureMask baseline) {
  // Warnings (another vendor, no CPUID) still leave a working code path chosen, so only
  // errors refuse the start.
  if (init < StatusOk) return kFalse;
  if (baseline == 0) return kTrue;
  return features == StatusOk && (mask & baseline) == baseline ? kTrue : kFalse;
}

HostBool FilterInit(FilterDescriptor* /*filter*/) {
  const Status init = InitPrimitives();
  CpuFeatureMask mask = 0;
  const Status features = GetCpuFeatures(&mask);
  return StartupVerdict(init, features, mask, kModuleBaseline);
}

}  // namespace tessaro
