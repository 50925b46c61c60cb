// The "Quillon Level" filter: per channel an optional clipping stretch from the channel's
// histogram, input levels with a gamma, and output levels, on R, G and B.
#pragma once

#include <cstdint>

#include "pipeline/frame.h"
#include "pipeline/frame_pipeline.h"

namespace tessaro {

// tracks: the filter's 21 slider values. Rewrites the frame in place; false, with the edit
// frame untouched, when the frame cannot be taken into RGB planes.
bool LevelsFrame(const std::int32_t* tracks, const pipeline::Buffers& buffers,
                 pipeline::FramePath path = pipeline::FramePath::kChoose);

}  // namespace tessaro
