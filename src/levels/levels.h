// The "Quillon Level" filter: per channel an optional clipping stretch from the channel's
// histogram, input levels with a gamma, and output levels, on R, G and B of whatever picture a
// host hands it.
#pragma once

#include <cstdint>
#include <memory>

#include "levels/levels_params.h"
#include "pipeline/controls.h"
#include "pipeline/frame_job.h"
#include "pipeline/frame_pipeline.h"
#include "pipeline/picture.h"

namespace tessaro {

inline constexpr char kQuillonLevelName[] = "Quillon Level";
inline constexpr char kQuillonLevelInformation[] = "Quillon Level 1.0 by Orun";

struct QuillonLevelSettings {
  QuillonChannel channel[3];  // R, G, B
  // Moving a slider moves the same slider of the other two channels. The frame does not
  // read it; hosts that move sliders apply it (MovedSlider).
  bool syncRgb = true;
};

// The controls in the order every host shows them: per channel c (R, G, B) six sliders from
// 6 c in the order of LevelsTrackInBlock, then "gamR", "gamG", "gamB".
enum QuillonLevelCheckIndex : std::int32_t { kSyncRgbCheck = 0, kQuillonLevelHelpButton = 1 };
inline constexpr std::int32_t kTop = kRgbFullScale;
// clang-format off
inline constexpr pipeline::SliderRow kQuillonLevelSliders[] = {
    //name      default min max
    {"Rc-Hi",  0,    0, kTop},
    {"Rc-Low", 0,    0, kTop},
    {"Ri-Hi",  kTop, 0, kTop},
    {"Ri-Low", 0,    0, kTop},
    {"Ro-Hi",  kTop, 0, kTop},
    {"Ro-Low", 0,    0, kTop},
    {"Gc-Hi",  0,    0, kTop},
    {"Gc-Low", 0,    0, kTop},
    {"Gi-Hi",  kTop, 0, kTop},
    {"Gi-Low", 0,    0, kTop},
    {"Go-Hi",  kTop, 0, kTop},
    {"Go-Low", 0,    0, kTop},
    {"Bc-Hi",  0,    0, kTop},
    {"Bc-Low", 0,    0, kTop},
    {"Bi-Hi",  kTop, 0, kTop},
    {"Bi-Low", 0,    0, kTop},
    {"Bo-Hi",  kTop, 0, kTop},
    {"Bo-Low", 0,    0, kTop},
    {"gamR",   100,  1, 100},
    {"gamG",   100,  1, 100},
    {"gamB",   100,  1, 100},
};
// clang-format on
inline constexpr pipeline::CheckRow kQuillonLevelChecks[] = {
    {"Sync RGB", true, false},
    {"HELP", false, true},
};
static_assert(sizeof(kQuillonLevelSliders) / sizeof(kQuillonLevelSliders[0]) == kLevelsTrackCount);
extern const char kQuillonLevelHelp[];

// The settings of live control values in the rows' order, each slider held to its range.
QuillonLevelSettings QuillonLevelSettingsOf(const std::int32_t* sliders,
                                            const std::int32_t* checks);
// The same settings as control values in the rows' order.
void QuillonLevelValues(const QuillonLevelSettings& settings, std::int32_t* sliders,
                        std::int32_t* checks);

// What moving slider n to its current value does with "Sync RGB" on: the same slider of the
// other two channels takes the value. Returns whether any slider was written.
bool MovedSlider(std::int32_t* sliders, const std::int32_t* checks, std::int32_t n);

// Levels the picture in place. kFailed (nothing written) when its description cannot be
// worked on safely or memory is short; an empty picture is kUnchanged. Settings outside the
// sliders' ranges are held to them.
pipeline::Outcome QuillonLevel(const QuillonLevelSettings& settings,
                               const pipeline::Picture& picture,
                               pipeline::Road road = pipeline::Road::kChoose);

// The same in two steps, for hosts that smooth the clipping points over time (FrameJob); with
// its own measurement, the same frame as QuillonLevel (a histogram that cannot be had fails
// the frame instead of ending the clipping step). Without clipping there is nothing to smooth.
// The job reads the picture where it lies: the picture must stay until Finish.
pipeline::FrameJobPtr QuillonLevelFrameJob(const QuillonLevelSettings& settings,
                                           const pipeline::Picture& picture,
                                           pipeline::Road road = pipeline::Road::kChoose);

}  // namespace tessaro
