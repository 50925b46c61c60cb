// tessaro-obs: both filters as asynchronous video filters of OBS Studio, for webcams, media and
// the other sources whose frames OBS hands its filters before drawing them. A filter's
// properties are made from its own rows, each under its own name as the settings key; each frame
// is rewritten in place where OBS holds it.
#ifdef _WIN32
#include <windows.h>
#endif

#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "filter_catalog.h"
#include "live_filter.h"
#include "obs_api.h"
#include "obs_frames.h"
#include "pipeline/start.h"

// The Windows exports are listed in tessaro_obs.def; elsewhere only these are visible.
#ifdef _WIN32
#define TESSARO_OBS_EXPORT extern "C"
#else
#define TESSARO_OBS_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace tessaro;
using namespace tessaro::tools;
using namespace tessaro::obs;

// The libobs whose headers the declarations were written from.
constexpr std::uint32_t kBuiltAgainst = ApiVersion(29, 0, 2);

Module* g_module = nullptr;
Lookup* g_locale = nullptr;

// A string of the module's locale (data/locale/*.ini), or the English one built in.
const char* Text(const char* key, const char* english) {
  const char* text = nullptr;
  return g_locale != nullptr && text_lookup_getstr(g_locale, key, &text) ? text : english;
}

constexpr char kSmoothingKey[] = "smoothing";
constexpr char kHelpKey[] = "help";
// A live picture's extremes jump with sensor noise and stray pixels, and the levels with them:
// this many frames before each take nearly all of that flicker that smoothing can take, and a
// change of contrast is still followed within a quarter of a second at 30 frames a second
// (README); a change of light is followed at once, and nothing is taken across a cut.
constexpr std::int32_t kDefaultSmoothing = 8;

// The source types, in the catalogue's order.
struct FilterType {
  const char* id;
  const char* nameKey;
};
constexpr FilterType kTypes[] = {{"tessaro_auto_level", "AutoLevel"},
                                 {"tessaro_quillon_level", "QuillonLevel"}};
constexpr int kTypeCount = static_cast<int>(std::size(kTypes));

const FilterEntry& EntryOf(int type) {
  return Filters()[static_cast<std::size_t>(type)];
}

// The controls as settings hold them, sliders held to their ranges.
Controls ControlsOf(const FilterEntry& e, Data* settings) {
  Controls c = e.Defaults();
  for (std::size_t i = 0; i < e.sliders.size(); ++i) {
    const long long v = obs_data_get_int(settings, e.sliders[i].name);
    c.sliders[i] = v < e.sliders[i].min   ? e.sliders[i].min
                   : v > e.sliders[i].max ? e.sliders[i].max
                                          : static_cast<std::int32_t>(v);
  }
  for (std::size_t i = 0; i < e.checks.size(); ++i) {
    if (!e.checks[i].button) c.checks[i] = obs_data_get_bool(settings, e.checks[i].name) ? 1 : 0;
  }
  return c;
}

std::int32_t SmoothingOf(Data* settings) {
  const long long v = obs_data_get_int(settings, kSmoothingKey);
  return v < 0 ? 0
               : (v > LiveFilter::kMaxSmoothing ? LiveFilter::kMaxSmoothing
                                                : static_cast<std::int32_t>(v));
}

struct Instance {
  Instance(Source* s, const FilterEntry& e) : source(s), live(e) {}
  Source* source;
  LiveFilter live;
  bool toldFormat = false;
  bool toldFailure = false;
};

template <int T>
const char* GetName(void*) noexcept {
  return Text(kTypes[T].nameKey, EntryOf(T).name);
}

void Update(void* data, Data* settings) noexcept {
  auto* inst = static_cast<Instance*>(data);
  // update and the frames both run on OBS's video thread: a source that draws video has its
  // updates deferred to it.
  try {
    inst->live.Set(ControlsOf(inst->live.stage().entry(), settings), SmoothingOf(settings));
  } catch (...) {
    // No memory for the smoothing's record: the settings before stay.
  }
}

template <int T>
void* Create(Data* settings, Source* source) noexcept {
  try {
    auto* inst = new Instance(source, EntryOf(T));
    Update(inst, settings);
    return inst;
  } catch (...) {
    return nullptr;  // OBS does not add a filter it cannot make
  }
}

void Destroy(void* data) noexcept {
  delete static_cast<Instance*>(data);
}

template <int T>
void GetDefaults(Data* settings) noexcept {
  const FilterEntry& e = EntryOf(T);
  for (const pipeline::SliderRow& row : e.sliders) {
    obs_data_set_default_int(settings, row.name, row.defaultValue);
  }
  for (const pipeline::CheckRow& row : e.checks) {
    if (!row.button) obs_data_set_default_bool(settings, row.name, row.defaultOn);
  }
  obs_data_set_default_int(settings, kSmoothingKey, kDefaultSmoothing);
}

// The sliders as a properties view last saw them. OBS calls a property's modified callback
// when the user changes it, and also for every property whenever it makes the properties
// (obs_source_properties): only a slider whose value differs from the one seen was moved.
struct Seen {
  const FilterEntry* entry;
  Controls controls;
};

void ForgetSeen(void* param) noexcept {
  delete static_cast<Seen*>(param);
}

// "Sync RGB": a slider the user moved takes the same slider of the other channels along.
bool SliderModified(Properties* props, Property* property, Data* settings) noexcept {
  auto* seen = static_cast<Seen*>(obs_properties_get_param(props));
  if (seen == nullptr || settings == nullptr || seen->entry->moved == nullptr) return false;
  const FilterEntry& e = *seen->entry;
  const char* name = obs_property_name(property);
  Controls now = ControlsOf(e, settings);
  bool written = false;
  for (std::size_t n = 0; n < e.sliders.size(); ++n) {
    if (name == nullptr || std::strcmp(name, e.sliders[n].name) != 0) continue;
    if (now.sliders[n] == seen->controls.sliders[n]) break;  // not moved
    const Controls before = now;
    if (!e.moved(&now, static_cast<std::int32_t>(n))) break;
    for (std::size_t k = 0; k < e.sliders.size(); ++k) {
      if (now.sliders[k] == before.sliders[k]) continue;
      obs_data_set_int(settings, e.sliders[k].name, now.sliders[k]);
      written = true;
    }
    break;
  }
  seen->controls = now;
  return written;  // the view shows the partners' new values
}

template <int T>
Properties* GetProperties(void* data) noexcept {
  const FilterEntry& e = EntryOf(T);
  auto* seen = new (std::nothrow) Seen{&e, e.Defaults()};
  if (seen == nullptr) return nullptr;
  if (data != nullptr) {
    Data* settings = obs_source_get_settings(static_cast<Instance*>(data)->source);
    if (settings != nullptr) {
      seen->controls = ControlsOf(e, settings);
      obs_data_release(settings);
    }
  }
  Properties* props = obs_properties_create_param(seen, ForgetSeen);
  for (const pipeline::SliderRow& row : e.sliders) {
    Property* p = obs_properties_add_int_slider(props, row.name, row.name, row.min, row.max, 1);
    if (e.moved != nullptr) obs_property_set_modified_callback(p, SliderModified);
  }
  for (const pipeline::CheckRow& row : e.checks) {
    if (!row.button) obs_properties_add_bool(props, row.name, row.name);
  }
  Property* smoothing = obs_properties_add_int_slider(
      props, kSmoothingKey, Text("Smoothing", kSmoothingKey), 0, LiveFilter::kMaxSmoothing, 1);
  obs_property_int_set_suffix(smoothing, Text("Smoothing.Unit", " frames"));
  obs_property_set_long_description(
      smoothing, Text("Smoothing.Description",
                      "The frames before each frame whose measurements its parameters are "
                      "averaged with, never across a cut; 0: every frame on its own."));
  // The editor's HELP button shows this text; here it stands below the controls.
  obs_properties_add_text(props, kHelpKey, e.help, TextType::kInfo);
  return props;
}

void Tell(const Instance& inst, const char* what, const char* format) {
  const Source* parent = obs_filter_get_parent(inst.source);
  const char* name = parent != nullptr ? obs_source_get_name(parent) : nullptr;
  blog(kLogWarning, "[tessaro-obs] %s on \"%s\": %s %s", inst.live.stage().name(),
       name != nullptr ? name : "?", what, format);
}

SourceFrame* FilterVideo(void* data, SourceFrame* frame) noexcept {
  auto* inst = static_cast<Instance*>(data);
  if (inst == nullptr || frame == nullptr) return frame;
  try {
    char unknown[24];
    switch (inst->live.Filter(frame)) {
      case LiveFilter::Result::kDone:
        break;
      case LiveFilter::Result::kNotTaken:
        if (!inst->toldFormat) {
          Tell(*inst, "frames pass unchanged: the filter cannot take",
               FormatName(frame->format, unknown));
          inst->toldFormat = true;
        }
        break;
      case LiveFilter::Result::kFailed:
        if (!inst->toldFailure) {
          Tell(*inst, "frames pass unchanged: out of memory for",
               FormatName(frame->format, unknown));
          inst->toldFailure = true;
        }
        break;
    }
  } catch (...) {
    // Nothing escapes into OBS; the frame goes on as it is.
  }
  return frame;
}

template <int T>
constexpr SourceInfo InfoOf() {
  SourceInfo info{};
  info.id = kTypes[T].id;
  info.type = SourceType::kFilter;
  info.outputFlags = kSourceAsyncVideo;
  info.getName = GetName<T>;
  info.create = Create<T>;
  info.destroy = Destroy;
  info.getDefaults = GetDefaults<T>;
  info.getProperties = GetProperties<T>;
  info.update = Update;
  info.filterVideo = FilterVideo;
  return info;
}

template <int... T>
constexpr std::array<SourceInfo, sizeof...(T)> Infos(std::integer_sequence<int, T...>) {
  return {InfoOf<T>()...};
}
constexpr auto kInfos = Infos(std::make_integer_sequence<int, kTypeCount>());

// The filters' worker threads stay parked in this module's code between frames; unloading it
// under them would take OBS down, so it stays until the process ends.
void StayLoaded() {
#ifdef _WIN32
  static const int anchor = 0;
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&anchor), &self);
#endif  // elsewhere the link makes it so (-z nodelete)
}

}  // namespace

// What OBS_DECLARE_MODULE and OBS_MODULE_USE_DEFAULT_LOCALE declare, written out.
TESSARO_OBS_EXPORT void obs_module_set_pointer(Module* module) {
  g_module = module;
}

TESSARO_OBS_EXPORT Module* obs_current_module() {
  return g_module;
}

TESSARO_OBS_EXPORT std::uint32_t obs_module_ver() {
  return kBuiltAgainst;
}

TESSARO_OBS_EXPORT void obs_module_set_locale(const char* locale) {
  if (g_locale != nullptr) text_lookup_destroy(g_locale);
  g_locale = obs_module_load_locale(g_module, "en-US", locale);
}

TESSARO_OBS_EXPORT void obs_module_free_locale() {
  if (g_locale != nullptr) text_lookup_destroy(g_locale);
  g_locale = nullptr;
}

TESSARO_OBS_EXPORT bool obs_module_get_string(const char* key, const char** out) {
  return g_locale != nullptr && text_lookup_getstr(g_locale, key, out);
}

TESSARO_OBS_EXPORT const char* obs_module_name() {
  return "Tessaro";
}

TESSARO_OBS_EXPORT const char* obs_module_description() {
  return Text("Description", "Auto Level and Quillon Level: colour-level filters");
}

// The processor's code path is chosen once; without a usable one the module does not load.
TESSARO_OBS_EXPORT bool obs_module_load() {
  try {
    if (!pipeline::StartFilters() || Filters().size() < static_cast<std::size_t>(kTypeCount)) {
      return false;
    }
  } catch (...) {
    return false;
  }
  StayLoaded();
  for (const SourceInfo& info : kInfos) obs_register_source_s(&info, sizeof info);
  return true;
}
