#include "autolevel/auto_level.h"

namespace tessaro {

// Not processing yet: FALSE tells the host the frame was left as it came.
HostBool AutoLevelProc(FilterDescriptor*, FrameInfo*) { return kFalse; }

}  // namespace tessaro
