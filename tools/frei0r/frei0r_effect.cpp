// One of the module's filters as a frei0r effect (TESSARO_FREI0R_FILTER names it). Like the
// command-line host it reaches the filter only through GetFilterTableList, the descriptor and
// its callbacks; each instance works on its own copy of the descriptor with its own live
// values and frame buffers, so instances on different threads share nothing they write.
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
#include "host/host_records.h"

#define TESSARO_F0R_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace tessaro;
using namespace tessaro::tools;

constexpr char kEffectName[] = "Tessaro " TESSARO_FREI0R_FILTER;

// The filter in the module's constant list; reading it needs no start-up.
FilterDescriptor* ListedFilter() {
  for (FilterDescriptor** f = GetFilterTableList(); *f != nullptr; ++f) {
    if ((*f)->name != nullptr && std::strcmp((*f)->name, TESSARO_FREI0R_FILTER) == 0) return *f;
  }
  return nullptr;
}

// Set by f0r_init once the module's filters have started.
StartedFilters* g_started = nullptr;
FilterDescriptor* g_filter = nullptr;

// The check boxes come first (buttons are no parameters), then the sliders: a host that sets
// parameters in order (ffmpeg's filter_params; GStreamer and MLT on every new instance) turns
// "Sync RGB" off before it sets the sliders of one channel.
struct Param {
  bool isCheck;
  int index;  // into the descriptor's check boxes or sliders
};

bool FindParam(const FilterDescriptor& d, int param, Param* out) {
  if (param < 0) return false;
  for (int i = 0; i < d.checkCount; ++i) {
    if (d.checkDefaults[i] != kButtonDefault && param-- == 0) {
      *out = {true, i};
      return true;
    }
  }
  if (param >= d.trackCount) return false;
  *out = {false, param};
  return true;
}

int ParamCount(const FilterDescriptor& d) {
  return static_cast<int>(std::count_if(d.checkDefaults, d.checkDefaults + d.checkCount,
                                        [](std::int32_t v) { return v != kButtonDefault; })) +
         d.trackCount;
}

const std::vector<std::string>& Explanations() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> t;
    const FilterDescriptor* d = ListedFilter();
    Param p{};
    for (int i = 0; d != nullptr && FindParam(*d, i, &p); ++i) {
      const int k = p.index;
      t.push_back(p.isCheck ? std::string("check box, default ") +
                                  (d->checkDefaults[k] != 0 ? "on" : "off")
                            : "slider " + std::to_string(d->trackMins[k]) + ".." +
                                  std::to_string(d->trackMaxs[k]) + " as 0..1, default " +
                                  std::to_string(d->trackDefaults[k]));
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
  Effect(const FilterDescriptor& listed, HostServiceTable* services, std::int32_t w, std::int32_t h)
      : descriptor(listed), stage(&descriptor, services), buffers(w, h, 0), width(w), height(h) {}

  FilterDescriptor descriptor;  // the callbacks write this instance's live arrays only
  FilterStage stage;
  FrameBuffers buffers;
  std::int32_t width, height;
};

}  // namespace

TESSARO_F0R_EXPORT int f0r_init() {
  if (g_filter != nullptr) return 1;  // a host may load the effect once per use
  static StartedFilters started;
  FilterDescriptor* filter = ListedFilter();
  if (filter == nullptr || started.Start(GetFilterTableList())) return 0;
  g_started = &started;
  g_filter = filter;
  return 1;
}

// The filters keep nothing to release, and later instances of the same load may follow.
TESSARO_F0R_EXPORT void f0r_deinit() {}

TESSARO_F0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  const FilterDescriptor* d = ListedFilter();
  info->name = kEffectName;
  info->author = "Tessaro";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = TESSARO_VERSION_MAJOR;
  info->minor_version = TESSARO_VERSION_MINOR;
  info->num_params = d != nullptr ? ParamCount(*d) : 0;
  info->explanation = d != nullptr && d->information != nullptr ? d->information : "";
}

TESSARO_F0R_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int index) {
  const FilterDescriptor* d = ListedFilter();
  Param p{};
  if (d == nullptr || !FindParam(*d, index, &p)) return;
  info->name = p.isCheck ? d->checkNames[p.index] : d->trackNames[p.index];
  info->type = p.isCheck ? F0R_PARAM_BOOL : F0R_PARAM_DOUBLE;
  info->explanation = Explanations()[static_cast<std::size_t>(index)].c_str();
}

// Any size a host hands over, odd ones too, within the command-line host's limits.
TESSARO_F0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  if (g_filter == nullptr || width > static_cast<unsigned>(kMaxSide) ||
      height > static_cast<unsigned>(kMaxSide)) {
    return nullptr;
  }
  const auto w = static_cast<std::int32_t>(width), h = static_cast<std::int32_t>(height);
  if (!FrameFits(w, h, 0)) return nullptr;
  try {
    return new Effect(*g_filter, g_started->services(), w, h);
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
  if (e == nullptr || param == nullptr || !FindParam(e->descriptor, index, &p)) return;
  const double x = *static_cast<const double*>(param);
  if (std::isnan(x)) return;  // it has no nearest end
  if (p.isCheck) {
    e->stage.SetCheckAt(p.index, x >= 0.5 ? 1 : 0);
    return;
  }
  const std::int32_t v =
      SliderValue(x, e->descriptor.trackMins[p.index], e->descriptor.trackMaxs[p.index]);
  // Hosts may set every parameter before every frame: only a new value is a movement, which
  // the settings-changed callback hears of ("Sync RGB" follows it).
  if (v != e->stage.tracks()[static_cast<std::size_t>(p.index)]) e->stage.MoveTrackAt(p.index, v);
}

TESSARO_F0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  auto* e = static_cast<Effect*>(instance);
  Param p{};
  if (e == nullptr || param == nullptr || !FindParam(e->descriptor, index, &p)) return;
  const auto k = static_cast<std::size_t>(p.index);
  *static_cast<double*>(param) =
      p.isCheck ? (e->stage.checks()[k] != 0 ? 1.0 : 0.0)
                : SliderPosition(e->stage.tracks()[k], e->descriptor.trackMins[p.index],
                                 e->descriptor.trackMaxs[p.index]);
}

// RGBA in, converted as `tessaro apply` converts an 8-bit RGB picture; alpha passes through.
// The input is read in full before the output is written, so the two may be one buffer.
TESSARO_F0R_EXPORT void f0r_update(f0r_instance_t instance, double /*time*/,
                                   const std::uint32_t* inframe, std::uint32_t* outframe) {
  auto* e = static_cast<Effect*>(instance);
  if (e == nullptr || inframe == nullptr || outframe == nullptr) return;
  const auto* in = reinterpret_cast<const std::uint8_t*>(inframe);
  e->buffers.LoadRgba(in);
  // A refused frame is left in the edit buffer as it came.
  e->stage.Process(e->buffers.info());
  e->buffers.StoreRgba(in, reinterpret_cast<std::uint8_t*>(outframe));
}

TESSARO_F0R_EXPORT void f0r_update2(f0r_instance_t instance, double time,
                                    const std::uint32_t* inframe1, const std::uint32_t*,
                                    const std::uint32_t*, std::uint32_t* outframe) {
  f0r_update(instance, time, inframe1, outframe);
}
