// The "Auto Level" filter: per-frame measurement, one automatic gamma, and a stretch of
// each processed channel from its own minimum and maximum to full scale.
#pragma once

#include <cstdint>

#include "host/host_records.h"

namespace tessaro {

// Processing callback: YCbCr mode, or RGB mode when its check box is on.
HostBool AutoLevelProc(FilterDescriptor* filter, FrameInfo* frame);
// RGB mode: FALSE, with the edit buffer untouched, when the frame is skipped.
HostBool AutoLevelRgbProc(FilterDescriptor* filter, FrameInfo* frame);

// An automatic gamma that is not a finite positive number (black or white frames) would
// turn the frame white or overflow it; such a gamma becomes a linear stretch.
float UsableGamma(float gamma);

// The three planes of w x h samples, back to back from the start of a frame buffer.
void PlanesAt(YcPixel* buffer, std::int32_t width, std::int32_t height, std::int16_t* planes[3]);

}  // namespace tessaro
