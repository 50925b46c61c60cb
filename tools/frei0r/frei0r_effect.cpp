// One of the filters as a frei0r effect (TESSARO_FREI0R_FILTER names it): its parameters are
// the filter's own controls, and each frame goes to the filter as the host's RGBA pixels,
// read from the input and written to the output. Each instance has its own settings, so
// instances on different threads share nothing they write.
extern "C" {
#include <frei0r.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "filter_stage.h"
#include "pipeline/picture.h"
#include "pipeline/start.h"

#define TESSARO_F0R_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace tessaro;
using namespace tessaro::tools;

constexpr char kEffectName[] = "Tessaro " TESSARO_FREI0R_FILTER;

const FilterEntry* Entry() {
  return FindFilter(TESSARO_FREI0R_FILTER);
}

// The check boxes come first (buttons are no parameters), then the sliders: a host that sets
// parameters in order (ffmpeg's filter_params; GStreamer and MLT on every new instance) turns
// "Sync RGB" off before it sets the sliders of one channel. Last, "smoothing": the frames
// before this one whose measurements the filter's parameters take the mean with.
constexpr char kSmoothingName[] = "smoothing";
// 0..1 as 0..100 frames.
constexpr double kSmoothingFrames = 100.0;

struct Param {
  enum Kind { kCheck, kSlider, kSmoothing } kind;
  int index;  // into the filter's check boxes or sliders
};

bool FindParam(const FilterEntry& e, int param, Param* out) {
  if (param < 0) return false;
  for (std::size_t i = 0; i < e.checks.size(); ++i) {
    if (!e.checks[i].button && param-- == 0) {
      *out = {Param::kCheck, static_cast<int>(i)};
      return true;
    }
  }
  const int sliders = static_cast<int>(e.sliders.size());
  if (param > sliders) return false;
  *out = {param == sliders ? Param::kSmoothing : Param::kSlider, param};
  return true;
}

int ParamCount(const FilterEntry& e) {
  return static_cast<int>(
      std::count_if(e.checks.begin(), e.checks.end(), [](const auto& row) { return !row.button; }) +
      e.sliders.size() + 1);
}

const std::vector<std::string>& Explanations() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> t;
    const FilterEntry& e = *Entry();
    Param p{};
    for (int i = 0; FindParam(e, i, &p); ++i) {
      if (p.kind == Param::kCheck) {
        t.push_back(std::string("check box, default ") +
                    (e.checks[static_cast<std::size_t>(p.index)].defaultOn ? "on" : "off"));
      } else if (p.kind == Param::kSmoothing) {
        t.push_back(
            "frames before each frame that its parameters are averaged with, within its scene, "
            "0..100 as 0..1 (0: off, the default); a seek starts afresh");
      } else {
        const auto& row = e.sliders[static_cast<std::size_t>(p.index)];
        t.push_back("slider " + std::to_string(row.min) + ".." + std::to_string(row.max) +
                    " as 0..1, default " + std::to_string(row.defaultValue));
      }
    }
    return t;
  }();
  return texts;
}

// 0..1 onto min..max, rounded (halves away from zero); beyond 0..1 the nearest end.
std::int32_t SliderValue(double x, std::int32_t min, std::int32_t max) {
  const double v = min + std::clamp(x, 0.0, 1.0) * (static_cast<double>(max) - min);
  return static_cast<std::int32_t>(std::round(v));
}

double SliderPosition(std::int32_t v, std::int32_t min, std::int32_t max) {
  return max == min ? 0.0 : (static_cast<double>(v) - min) / (static_cast<double>(max) - min);
}

struct Effect {
  Effect(std::int32_t w, std::int32_t h) : stage(*Entry()), width(w), height(h) {}

  // Whether the host's time moved on by one frame since the last: anything else (the first
  // frame, a seek, a step back) starts the smoothing afresh. A frame is the first step seen.
  bool FollowsOn(double time) {
    const bool first = !haveTime;
    const double step = time - lastTime;
    lastTime = time;
    haveTime = true;
    if (first || !(step > 0.0)) {
      frameTime = 0.0;
      return false;
    }
    if (frameTime == 0.0) frameTime = step;
    return std::fabs(step - frameTime) <= 0.5 * frameTime;
  }

  FilterStage stage;
  CausalSmoothing smoothing;
  std::int32_t width, height;
  double lastTime = 0.0, frameTime = 0.0;
  bool haveTime = false;
};

}  // namespace

// The filters need no start-up of their own; the processor's code path is chosen here.
TESSARO_F0R_EXPORT int f0r_init() {
  return Entry() != nullptr && tessaro::pipeline::StartFilters() ? 1 : 0;
}

// The filters keep nothing to release, and later instances of the same load may follow.
TESSARO_F0R_EXPORT void f0r_deinit() {}

TESSARO_F0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  const FilterEntry& e = *Entry();
  info->name = kEffectName;
  info->author = "Tessaro";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = TESSARO_VERSION_MAJOR;
  info->minor_version = TESSARO_VERSION_MINOR;
  info->num_params = ParamCount(e);
  info->explanation = e.information;
}

TESSARO_F0R_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int index) {
  const FilterEntry& e = *Entry();
  Param p{};
  if (!FindParam(e, index, &p)) return;
  const auto k = static_cast<std::size_t>(p.index);
  info->name = p.kind == Param::kCheck    ? e.checks[k].name
               : p.kind == Param::kSlider ? e.sliders[k].name
                                          : kSmoothingName;
  info->type = p.kind == Param::kCheck ? F0R_PARAM_BOOL : F0R_PARAM_DOUBLE;
  info->explanation = Explanations()[static_cast<std::size_t>(index)].c_str();
}

// Any size a host hands over, odd ones too, within the filters' limits.
TESSARO_F0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  if (width == 0 || height == 0 || width > static_cast<unsigned>(pipeline::kMaxPictureSide) ||
      height > static_cast<unsigned>(pipeline::kMaxPictureSide) ||
      std::int64_t{width} * height > pipeline::kMaxPicturePixels) {
    return nullptr;
  }
  try {
    return new Effect(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

TESSARO_F0R_EXPORT void f0r_destruct(f0r_instance_t instance) {
  delete static_cast<Effect*>(instance);
}

TESSARO_F0R_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  auto* e = static_cast<Effect*>(instance);
  Param p{};
  if (e == nullptr || param == nullptr || !FindParam(e->stage.entry(), index, &p)) return;
  const double x = *static_cast<const double*>(param);
  if (std::isnan(x)) return;  // it has no nearest end
  if (p.kind == Param::kSmoothing) {
    e->smoothing.SetRadius(
        static_cast<std::int32_t>(std::round(std::clamp(x, 0.0, 1.0) * kSmoothingFrames)));
    return;
  }
  if (p.kind == Param::kCheck) {
    e->stage.SetCheckAt(p.index, x >= 0.5 ? 1 : 0);
    return;
  }
  const auto& row = e->stage.entry().sliders[static_cast<std::size_t>(p.index)];
  const std::int32_t v = SliderValue(x, row.min, row.max);
  // Hosts may set every parameter before every frame: only a new value is a movement, which
  // moves the partners of "Sync RGB".
  if (v != e->stage.controls().sliders[static_cast<std::size_t>(p.index)]) {
    e->stage.MoveTrackAt(p.index, v);
  }
}

TESSARO_F0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  auto* e = static_cast<Effect*>(instance);
  Param p{};
  if (e == nullptr || param == nullptr || !FindParam(e->stage.entry(), index, &p)) return;
  const auto k = static_cast<std::size_t>(p.index);
  const auto& c = e->stage.controls();
  double& value = *static_cast<double*>(param);
  if (p.kind == Param::kSmoothing) {
    value = e->smoothing.radius() / kSmoothingFrames;
  } else if (p.kind == Param::kCheck) {
    value = c.checks[k] != 0 ? 1.0 : 0.0;
  } else {
    const auto& row = e->stage.entry().sliders[k];
    value = SliderPosition(c.sliders[k], row.min, row.max);
  }
}

// The host's RGBA frame, read from the input and written to the output (which may be the
// same buffer); alpha passes through. A frame the filter leaves as it came is copied.
TESSARO_F0R_EXPORT void f0r_update(f0r_instance_t instance, double time,
                                   const std::uint32_t* inframe, std::uint32_t* outframe) {
  auto* e = static_cast<Effect*>(instance);
  if (e == nullptr || inframe == nullptr || outframe == nullptr) return;
  const auto* in = reinterpret_cast<const std::uint8_t*>(inframe);
  auto* out = reinterpret_cast<std::uint8_t*>(outframe);
  const std::int32_t step = 4 * e->width;
  const pipeline::Picture picture = pipeline::Picture::Rgba8(in, step, out, step, e->width,
                                                             e->height, pipeline::ByteOrder::kRgba);
  if (!e->FollowsOn(time)) e->smoothing.Restart();
  if (e->smoothing.Process(e->stage, picture) != pipeline::Outcome::kDone && in != out) {
    std::memcpy(out, in, static_cast<std::size_t>(step) * static_cast<std::size_t>(e->height));
  }
}

TESSARO_F0R_EXPORT void f0r_update2(f0r_instance_t instance, double time,
                                    const std::uint32_t* inframe1, const std::uint32_t*,
                                    const std::uint32_t*, std::uint32_t* outframe) {
  f0r_update(instance, time, inframe1, outframe);
}
