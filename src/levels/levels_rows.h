// The levels filter's own row stages. Each rewrites a width x height plane of 16-bit samples
// in place, one parallel loop over its rows; a row whose float buffer cannot be had is left
// as it was. A host's frame memory, when given, holds the float rows (frame_memory.h).
#pragma once

#include <cstdint>

namespace tessaro {

namespace pipeline {
class FrameMemory;
}

// Every sample into 0..4080.
void ClampPlaneRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                    std::int32_t height);

// [lowClip, highClip] stretched linearly onto 0..4080; samples outside it are clamped, not
// extrapolated. The caller keeps highClip - lowClip away from 0.
void ContrastStretchRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                         std::int32_t height, float lowClip, float highClip,
                         pipeline::FrameMemory* memory = nullptr);

// 0..4080 mapped linearly onto [outLow, outHigh]; the input is expected inside 0..4080.
void ApplyOutputLevelRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                          std::int32_t height, float outLow, float outHigh,
                          pipeline::FrameMemory* memory = nullptr);

}  // namespace tessaro
