// The "Auto Level" filter: per-frame measurement, one automatic gamma, and a stretch of each
// processed channel from its own minimum and maximum to full scale, in the frame's own YCbCr
// samples or in RGB.
#pragma once

#include <cstdint>

#include "pipeline/frame.h"
#include "pipeline/frame_pipeline.h"

namespace tessaro {

struct AutoLevelSettings {
  std::int32_t midRng;  // the percentage of full scale the mean is carried to, 5..95
  std::int32_t
      skip;      // RGB mode: skip a frame whose channel mean lies within skip / 2 of an extreme
  bool cb;       // also level Cb (YCbCr mode)
  bool cr;       // also level Cr (YCbCr mode)
  bool rgbMode;  // level R, G and B instead
};

// Rewrites the frame in place; false, with the edit frame untouched, when RGB mode skips it.
bool AutoLevelFrame(const AutoLevelSettings& settings, const pipeline::Buffers& buffers,
                    pipeline::FramePath path = pipeline::FramePath::kChoose);

// An automatic gamma that is not a finite positive number (black or white frames) would
// turn the frame white or overflow it; such a gamma becomes a linear stretch.
float UsableGamma(float gamma);

}  // namespace tessaro
