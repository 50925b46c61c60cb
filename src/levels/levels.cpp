#include "levels/levels.h"

namespace tessaro {

// Not processing yet: FALSE tells the host the frame was left as it came.
HostBool LevelsProc(FilterDescriptor*, FrameInfo*) { return kFalse; }

}  // namespace tessaro
