#include "filter_catalog.h"

#include <iterator>

#include "autolevel/auto_level.h"
#include "levels/levels.h"

namespace tessaro::tools {
namespace {

pipeline::Outcome RunAutoLevel(const Controls& c, const pipeline::Picture& picture,
                               pipeline::Road road) {
  return AutoLevel(AutoLevelSettingsOf(c.sliders.data(), c.checks.data()), picture, road);
}

pipeline::Outcome RunQuillonLevel(const Controls& c, const pipeline::Picture& picture,
                                  pipeline::Road road) {
  return QuillonLevel(QuillonLevelSettingsOf(c.sliders.data(), c.checks.data()), picture, road);
}

pipeline::FrameJobPtr AutoLevelJob(const Controls& c, const pipeline::Picture& picture,
                                   pipeline::Road road) {
  return AutoLevelFrameJob(AutoLevelSettingsOf(c.sliders.data(), c.checks.data()), picture, road);
}

pipeline::FrameJobPtr QuillonLevelJob(const Controls& c, const pipeline::Picture& picture,
                                      pipeline::Road road) {
  return QuillonLevelFrameJob(QuillonLevelSettingsOf(c.sliders.data(), c.checks.data()), picture,
                              road);
}

bool MovedQuillonSlider(Controls* c, std::int32_t slider) {
  return MovedSlider(c->sliders.data(), c->checks.data(), slider);
}

static_assert(std::size(kAutoLevelSliders) <= pipeline::kMaxSliders &&
              std::size(kQuillonLevelSliders) <= pipeline::kMaxSliders &&
              std::size(kAutoLevelChecks) <= pipeline::kMaxChecks &&
              std::size(kQuillonLevelChecks) <= pipeline::kMaxChecks);

const FilterEntry kFilters[] = {
    {kAutoLevelName, kAutoLevelInformation, kAutoLevelSliders, kAutoLevelChecks, kAutoLevelHelp,
     RunAutoLevel, AutoLevelJob, nullptr},
    {kQuillonLevelName, kQuillonLevelInformation, kQuillonLevelSliders, kQuillonLevelChecks,
     kQuillonLevelHelp, RunQuillonLevel, QuillonLevelJob, MovedQuillonSlider},
};

}  // namespace

Controls FilterEntry::Defaults() const {
  Controls c;
  for (std::size_t i = 0; i < sliders.size(); ++i) c.sliders[i] = sliders[i].defaultValue;
  for (std::size_t i = 0; i < checks.size(); ++i) {
    c.checks[i] = !checks[i].button && checks[i].defaultOn ? 1 : 0;
  }
  return c;
}

std::span<const FilterEntry> Filters() {
  return kFilters;
}

const FilterEntry* FindFilter(std::string_view name) {
  for (const FilterEntry& f : kFilters) {
    if (name == f.name) return &f;
  }
  return nullptr;
}

}  // namespace tessaro::tools
