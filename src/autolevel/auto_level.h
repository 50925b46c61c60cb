// The "Auto Level" filter: per-frame measurement, one automatic gamma, and a stretch of each
// processed channel from its own minimum and maximum to full scale, in Y, Cb and Cr or in R, G
// and B, on whatever picture a host hands it.
#pragma once

#include <cstdint>
#include <memory>

#include "pipeline/controls.h"
#include "pipeline/frame_job.h"
#include "pipeline/frame_pipeline.h"
#include "pipeline/picture.h"

namespace tessaro {

inline constexpr char kAutoLevelName[] = "Auto Level";
inline constexpr char kAutoLevelInformation[] = "Auto Level 1.0 by Orun";

struct AutoLevelSettings {
  std::int32_t midRng = 50;  // the percentage of full scale the mean is carried to, 5..95
  std::int32_t skip = 420;   // RGB mode: skip a frame whose channel mean lies within skip / 2
                             // of an extreme, 0..4080
  bool cb = false;           // also level Cb
  bool cr = false;           // also level Cr
  bool rgbMode = false;      // level R, G and B instead
};

// The controls in the order every host shows them.
enum AutoLevelSliderIndex : std::int32_t { kMidRngSlider = 0, kSkipSlider = 1 };
enum AutoLevelCheckIndex : std::int32_t {
  kCbCheck = 0,
  kCrCheck = 1,
  kRgbModeCheck = 2,
  kAutoLevelHelpButton = 3
};
inline constexpr pipeline::SliderRow kAutoLevelSliders[] = {
    {"midRng", 50, 5, 95},
    {"Skip", 420, 0, kRgbFullScale},
};
inline constexpr pipeline::CheckRow kAutoLevelChecks[] = {
    {"Cb", false, false},
    {"Cr", false, false},
    {"RGB mode", false, false},
    {"HELP", false, true},
};
extern const char kAutoLevelHelp[];

// The settings of live control values in the rows' order, each slider held to its range.
AutoLevelSettings AutoLevelSettingsOf(const std::int32_t* sliders, const std::int32_t* checks);

// Levels the picture in place. kUnchanged when "RGB mode" skips it, kFailed (nothing written)
// when its description cannot be worked on safely or memory is short. Settings outside the
// sliders' ranges are held to them.
pipeline::Outcome AutoLevel(const AutoLevelSettings& settings, const pipeline::Picture& picture,
                            pipeline::Road road = pipeline::Road::kChoose);

// The same in two steps, for hosts that smooth the measurements over time (FrameJob); with its
// own measurement, the same frame as AutoLevel. The job reads the picture where it lies: the
// picture must stay until Finish.
pipeline::FrameJobPtr AutoLevelFrameJob(const AutoLevelSettings& settings,
                                        const pipeline::Picture& picture,
                                        pipeline::Road road = pipeline::Road::kChoose);

// An automatic gamma that is not a finite positive number (black or white frames) would
// turn the frame white or overflow it; such a gamma becomes a linear stretch.
float UsableGamma(float gamma);

}  // namespace tessaro
