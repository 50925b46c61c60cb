#include "pipeline/start.h"

namespace tessaro::pipeline {

// A 32-bit build must declare its baseline: without the check a processor lacking SSE2 would
// start the filters and meet an illegal instruction in the first frame.
static_assert(sizeof(void*) == 8 || kBuildBaseline == CpuSse2);

bool StartVerdict(Status init, Status features, CpuFeatureMask mask, CpuFeatureMask baseline) {
  // Warnings (another vendor, no CPUID) still leave a working code path chosen, so only
  // errors refuse the start.
  if (init < StatusOk) return false;
  if (baseline == 0) return true;
  return features == StatusOk && (mask & baseline) == baseline;
}

bool StartFilters() {
  const Status init = InitPrimitives();
  CpuFeatureMask mask = 0;
  const Status features = GetCpuFeatures(&mask);
  return StartVerdict(init, features, mask, kBuildBaseline);
}

}  // namespace tessaro::pipeline
