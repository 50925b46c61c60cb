// The level-and-gamma stage both filters use.
#pragma once

#include <cstdint>

namespace tessaro {

namespace pipeline {
class FrameMemory;
}

// Maps every sample of a width x height plane from [low, high] onto [0, outScale] through
// the power 1 / gamma, row-parallel, in place. Samples below low are taken as low, since a
// negative base has no useful power. A row whose float buffer cannot be had is left as it
// was. A host's frame memory, when given, holds the float rows (frame_memory.h).
void LevelPlane(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                std::int32_t height, float low, float high, float gamma, float outScale,
                pipeline::FrameMemory* memory = nullptr);

}  // namespace tessaro
