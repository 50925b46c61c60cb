// The "Auto Level" filter.
#pragma once

#include "host/host_records.h"

namespace tessaro {

// Processing callback of "Auto Level".
HostBool AutoLevelProc(FilterDescriptor* filter, FrameInfo* frame);

}  // namespace tessaro
