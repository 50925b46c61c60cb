// Prints the code path and start-up result on the processor it runs on (run under
// emulated processors of every level).
#include <cstdio>

#include "primitives/cpu.h"
#include "primitives/dispatch.h"

int main() {
  const tessaro::Status status = tessaro::InitPrimitives();
  tessaro::CpuFeatureMask mask = 0;
  tessaro::GetCpuFeatures(&mask);
  std::int32_t cache = 0;
  const tessaro::Status cacheStatus = tessaro::GetLargestCacheSize(&cache);
  std::printf("features 0x%llx cache %d (status %d)\n", static_cast<unsigned long long>(mask),
              cache, cacheStatus);
  std::printf("CpuPath %d InitPrimitives %d\n", tessaro::CpuPath.load(), status);
  return 0;
}
