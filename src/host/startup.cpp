#include "host/startup.h"

#include "primitives/cpu.h"

namespace tessaro {

HostBool FilterInit(FilterDescriptor* /*filter*/) {
  // Warnings (another vendor, no CPUID) still leave a working code path chosen, so only
  // errors refuse the start.
  return InitPrimitives() >= StatusOk ? kTrue : kFalse;
}

}  // namespace tessaro
