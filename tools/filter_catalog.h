// The filters as every host sees them: each one's controls, help and typed entry behind one
// record, so that a host maps its own settings and pixels without knowing either filter.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "pipeline/controls.h"
#include "pipeline/frame_job.h"
#include "pipeline/frame_pipeline.h"
#include "pipeline/picture.h"

namespace tessaro::tools {

// Live control values, in the order of the filter's rows (buttons hold 0).
struct Controls {
  std::array<std::int32_t, pipeline::kMaxSliders> sliders{};
  std::array<std::int32_t, pipeline::kMaxChecks> checks{};
};

struct FilterEntry {
  const char* name;
  const char* information;
  std::span<const pipeline::SliderRow> sliders;
  std::span<const pipeline::CheckRow> checks;  // buttons included
  const char* help;
  // The filter on a picture, its settings read from the values (sliders held to their ranges).
  pipeline::Outcome (*run)(const Controls& controls, const pipeline::Picture& picture,
                           pipeline::Road road);
  // The same in two steps, for hosts that smooth the parameters over time.
  pipeline::FrameJobPtr (*job)(const Controls& controls, const pipeline::Picture& picture,
                               pipeline::Road road);
  // What moving slider n to the value it holds does to the others ("Sync RGB"); whether it
  // changed any. Null when sliders move nothing else.
  bool (*moved)(Controls* controls, std::int32_t slider);

  Controls Defaults() const;
};

// "Auto Level", then "Quillon Level".
std::span<const FilterEntry> Filters();
// Null for a name no filter has.
const FilterEntry* FindFilter(std::string_view name);

}  // namespace tessaro::tools
