// Prints the code path and start-up result on the processor it runs on (run under
// emulated processors, one for each code path).
#include <cstdio>

#include "primitives/cpu.h"
#include "primitives/dispatch.h"

int main() {
  const tessaro::Status status = tessaro::InitPrimitives();
  tessaro::CpuFeatureMask mask = 0;
  tessaro::GetCpuFeatures(&mask);
  std::printf("features 0x%llx\n", static_cast<unsigned long long>(mask));
  std::printf("CpuPath %d InitPrimitives %d\n", tessaro::CpuPath.load(), status);
  return 0;
}
