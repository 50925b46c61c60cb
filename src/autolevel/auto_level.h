// The "Auto Level" filter: per-frame measurement, one automatic gamma, and a stretch of
// each processed channel from its own minimum and maximum to full scale.
#pragma once

#include <cstdint>

#include "host/host_records.h"
#include "pipeline/frame_pipeline.h"

namespace tessaro {

// Processing callback: YCbCr mode, or RGB mode when its check box is on.
HostBool AutoLevelProc(FilterDescriptor* filter, FrameInfo* frame);

// How a frame is processed: stage by stage on every sample through the primitives (the
// reference), or in the frame pipeline's two passes with the value-only stages as tables
// (kPipeline forces it even where tables cost more than they save). Both give the same frame.
enum class LevelPath { kFastest, kPerSample, kPipeline };

HostBool AutoLevelYc(FilterDescriptor* filter, FrameInfo* frame, LevelPath path);
// RGB mode: FALSE, with the edit buffer untouched, when the frame is skipped.
HostBool AutoLevelRgb(FilterDescriptor* filter, FrameInfo* frame, LevelPath path);

// An automatic gamma that is not a finite positive number (black or white frames) would
// turn the frame white or overflow it; such a gamma becomes a linear stretch.
float UsableGamma(float gamma);

// Extremes and means of an interleaved image through MinMaxS16C3 and MeanS16C3, run as two
// concurrent tasks.
void MeasureWithPrimitives(const std::int16_t* image, std::int32_t step, ImageSize size,
                           pipeline::FrameStats* stats);

// The three planes of w x h samples, back to back from the start of a frame buffer.
void PlanesAt(YcPixel* buffer, std::int32_t width, std::int32_t height, std::int16_t* planes[3]);

}  // namespace tessaro
