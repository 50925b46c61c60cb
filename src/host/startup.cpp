#include "host/startup.h"

#include "pipeline/start.h"

namespace tessaro {

HostBool FilterInit(FilterDescriptor* /*filter*/) {
  return pipeline::StartFilters() ? kTrue : kFalse;
}

}  // namespace tessaro
