#pragma once

#include "host/host_records.h"

namespace tessaro {

// Shared start-up callback of both filters: detects the processor once; FALSE on a processor
// the build cannot run on.
HostBool FilterInit(FilterDescriptor* filter);

}  // namespace tessaro
