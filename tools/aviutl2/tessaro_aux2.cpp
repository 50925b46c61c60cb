// Tessaro.aux2: the module's filters as one generic plug-in of AviUtl ExEdit2. Like the other
// hosts it reaches the filters only through GetFilterTableList, the descriptors and their
// callbacks, and the editor's items are made from the descriptors' own tables. The editor may
// render frames in any order and run a filter for several objects at once, so every call reads
// the items once into a copy of the descriptor with live arrays and frame buffers of its own:
// calls share nothing they write, and no call depends on an earlier one.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "aviutl2_records.h"
#include "filter_stage.h"
#include "host/filters.h"
#include "host/frame_guard.h"
#include "host/host_records.h"

namespace {

using namespace tessaro;
using namespace tessaro::tools;
using namespace tessaro::aviutl2;

// The editor's callbacks carry no context, so every filter and every button has a function of
// its own, made for up to this many filters and for every check box a descriptor may have.
constexpr int kMaxFilters = 4;
constexpr int kMaxChecks = SettingsSnapshot::kMaxChecks;

constexpr char16_t kLabel[] = u"Tessaro";

// The descriptors' strings are ASCII; anything else would show as the replacement character.
std::u16string Utf16(const char* s) {
  std::u16string out;
  for (; s != nullptr && *s != '\0'; ++s) {
    const auto c = static_cast<unsigned char>(*s);
    out.push_back(c < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD');
  }
  return out;
}

// A whole number within the slider's range, halves away from zero. A value that is not a
// number has no nearest one: the slider's default stands in for it.
std::int32_t SliderValue(double v, std::int32_t min, std::int32_t max, std::int32_t def) {
  if (std::isnan(v)) return def;
  return static_cast<std::int32_t>(
      std::round(std::clamp(v, static_cast<double>(min), static_cast<double>(max))));
}

struct Registration {
  FilterDescriptor* filter = nullptr;  // the module's, its live arrays holding the defaults
  std::u16string name, information;
  std::vector<std::u16string> itemNames;  // sliders, then check boxes
  std::vector<TrackItem> tracks;          // one per slider
  std::vector<CheckItem> checks;          // one per check box; a button's stays unused
  std::vector<ButtonItem> buttons;        // one per check box; used for buttons only
  std::vector<void*> items;               // sliders, then check boxes and buttons; null last
  FilterTable table{};
};

struct Plugin {
  StartedFilters started;
  std::unique_ptr<Registration> filters[kMaxFilters];
  int count = 0;
};

Plugin* Started() noexcept;

// A press reaches the module's window-message callback as AviUtl 1.10 sends it: the button's
// command message; the filter's help callback shows its text in a message box.
void PressButton(int filter, int check) noexcept {
  Plugin* plugin = Started();
  if (plugin == nullptr || filter >= plugin->count) return;
  FilterDescriptor* d = plugin->filters[filter]->filter;
  if (d->windowProc != nullptr) {
    d->windowProc(nullptr, kCommandMessage, kButtonCommandBase + static_cast<std::uint32_t>(check),
                  0, nullptr, d);
  }
}

// "Sync RGB" without state: with it on, the red channel's sliders (its six and "gamR") are
// moved on every call, and the filter's settings-changed callback carries each to green and
// blue; with it off that callback copies nothing, and each channel keeps its own.
void FollowRedSliders(FilterStage* stage) {
  const FilterDescriptor& d = *stage->filter();
  if (d.update == nullptr || d.trackCount != kLevelsTrackCount) return;
  for (int i = 0; i < kLevelsTracksPerChannel; ++i) {
    stage->MoveTrackAt(i, stage->tracks()[static_cast<std::size_t>(i)]);
  }
  stage->MoveTrackAt(kLevelsGammaTrack, stage->tracks()[kLevelsGammaTrack]);
}

void ReadItems(const Registration& r, FilterStage* stage) {
  const FilterDescriptor& d = *r.filter;
  for (int i = 0; i < d.trackCount; ++i) {
    stage->SetTrackAt(i, SliderValue(r.tracks[static_cast<std::size_t>(i)].value, d.trackMins[i],
                                     d.trackMaxs[i], d.trackDefaults[i]));
  }
  for (int c = 0; c < std::min(d.checkCount, kMaxChecks); ++c) {
    if (d.checkDefaults[c] == kButtonDefault) continue;
    stage->SetCheckAt(c, r.checks[static_cast<std::size_t>(c)].value != 0 ? 1 : 0);
  }
  FollowRedSliders(stage);
}

// The filters' one FALSE by design is "Auto Level" in "RGB mode" skipping a compressed frame:
// it passes as it came, since false would stop the editor's whole render. Any other FALSE says
// the filter could not process the frame (memory ran out), and the editor is told so.
bool LeftByDesign(const FilterStage& stage) {
  const FilterDescriptor& d = *stage.filter();
  for (int c = 0; c < std::min(d.checkCount, kMaxChecks); ++c) {
    if (d.checkNames[c] != nullptr && std::strcmp(d.checkNames[c], "RGB mode") == 0) {
      return stage.checks()[static_cast<std::size_t>(c)] != 0;
    }
  }
  return false;
}

bool ProcessVideo(int filter, VideoProc* video) noexcept {
  try {
    Plugin* plugin = Started();
    if (plugin == nullptr || filter >= plugin->count || video == nullptr ||
        video->object == nullptr) {
      return false;
    }
    const std::int32_t w = video->object->width;
    const std::int32_t h = video->object->height;
    if (w <= 0 || h <= 0) return true;  // no picture, nothing to filter
    // Beyond the limits every host of the module keeps, tessaro apply's too, the frame is not
    // filtered, and the editor hears of it rather than show it unfiltered.
    if (w > kMaxSide || h > kMaxSide || !FrameFits(w, h, 0) || video->getImageData == nullptr ||
        video->setImageData == nullptr) {
      return false;
    }
    const Registration& r = *plugin->filters[filter];
    FilterDescriptor descriptor = *r.filter;
    FilterStage stage(&descriptor, plugin->started.services());
    ReadItems(r, &stage);
    std::unique_ptr<PixelRgba[]> picture(
        new PixelRgba[static_cast<std::size_t>(w) * static_cast<std::size_t>(h)]);
    video->getImageData(picture.get());
    auto* bytes = reinterpret_cast<std::uint8_t*>(picture.get());
    FrameBuffers buffers(w, h, 0);
    buffers.LoadRgba(bytes);
    // FALSE: the filter left the frame as it came, and so is the picture.
    if (stage.Process(buffers.info()) != kTrue) return LeftByDesign(stage);
    buffers.StoreRgba(bytes, bytes);
    video->setImageData(picture.get(), w, h);
    return true;
  } catch (...) {
    // Out of memory: the editor stops the render rather than show the frame unfiltered.
    return false;
  }
}

template <int F>
bool ProcessVideoOf(VideoProc* video) {
  return ProcessVideo(F, video);
}

template <int F, int C>
void PressButtonOf(EditSection*) {
  PressButton(F, C);
}

template <int... F>
constexpr std::array<bool (*)(VideoProc*), kMaxFilters> VideoCallbacks(
    std::integer_sequence<int, F...>) {
  return {&ProcessVideoOf<F>...};
}

template <int F, int... C>
constexpr std::array<ButtonCallback, kMaxChecks> ButtonRow(std::integer_sequence<int, C...>) {
  return {&PressButtonOf<F, C>...};
}

template <int... F>
constexpr std::array<std::array<ButtonCallback, kMaxChecks>, kMaxFilters> ButtonCallbacks(
    std::integer_sequence<int, F...>) {
  return {ButtonRow<F>(std::make_integer_sequence<int, kMaxChecks>())...};
}

constexpr auto kVideoCallbacks = VideoCallbacks(std::make_integer_sequence<int, kMaxFilters>());
constexpr auto kButtonCallbacks = ButtonCallbacks(std::make_integer_sequence<int, kMaxFilters>());

std::unique_ptr<Registration> Register(FilterDescriptor* d, int index) {
  auto r = std::make_unique<Registration>();
  r->filter = d;
  r->name = Utf16(d->name);
  r->information = Utf16(d->information);
  const auto tracks = static_cast<std::size_t>(std::max(d->trackCount, 0));
  const auto checks = static_cast<std::size_t>(std::clamp(d->checkCount, 0, kMaxChecks));
  // Sized once: the items point into these.
  r->itemNames.resize(tracks + checks);
  r->tracks.resize(tracks);
  r->checks.resize(checks);
  r->buttons.resize(checks);
  for (std::size_t i = 0; i < tracks; ++i) {
    r->itemNames[i] = Utf16(d->trackNames[i]);
    r->tracks[i] = {kTrackType,
                    r->itemNames[i].c_str(),
                    static_cast<double>(d->trackDefaults[i]),
                    static_cast<double>(d->trackMins[i]),
                    static_cast<double>(d->trackMaxs[i]),
                    1.0};
    r->items.push_back(&r->tracks[i]);
  }
  for (std::size_t c = 0; c < checks; ++c) {
    std::u16string& name = r->itemNames[tracks + c];
    name = Utf16(d->checkNames[c]);
    if (d->checkDefaults[c] == kButtonDefault) {
      r->buttons[c] = {kButtonType, name.c_str(),
                       kButtonCallbacks[static_cast<std::size_t>(index)][c]};
      r->items.push_back(&r->buttons[c]);
    } else {
      r->checks[c] = {kCheckType, name.c_str(),
                      static_cast<std::uint8_t>(d->checkDefaults[c] != 0)};
      r->items.push_back(&r->checks[c]);
    }
  }
  r->items.push_back(nullptr);
  r->table = {kFilterVideo | kFilterObject,
              r->name.c_str(),
              kLabel,
              r->information.c_str(),
              r->items.data(),
              kVideoCallbacks[static_cast<std::size_t>(index)],
              nullptr};
  return r;
}

// The module's parallel runtime keeps its worker threads parked in this DLL between frames;
// unloading it under them would take the editor down, so it stays until the process ends.
void StayLoaded() {
  static const int anchor = 0;
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&anchor), &self);
}

// The filters started (each start-up callback once) and registered, or null when one refused
// or memory ran out; decided once, on the first call.
Plugin* Started() noexcept {
  static Plugin* const plugin = []() noexcept -> Plugin* {
    try {
      auto p = std::make_unique<Plugin>();
      if (p->started.Start(GetFilterTableList())) return nullptr;
      for (FilterDescriptor** f = p->started.filters(); *f != nullptr && p->count < kMaxFilters;
           ++f) {
        p->filters[p->count] = Register(*f, p->count);
        ++p->count;
      }
      StayLoaded();
      return p.release();
    } catch (...) {
      return nullptr;
    }
  }();
  return plugin;
}

}  // namespace

// The exports (tessaro_aux2.def): the editor calls InitializePlugin first; false keeps the
// filters out of its menus.
extern "C" bool InitializePlugin(std::uint32_t /*version*/) noexcept {
  return Started() != nullptr;
}

extern "C" void RegisterPlugin(HostTable* host) noexcept {
  Plugin* plugin = Started();
  if (plugin == nullptr || host == nullptr || host->registerFilterPlugin == nullptr) return;
  for (int f = 0; f < plugin->count; ++f) host->registerFilterPlugin(&plugin->filters[f]->table);
}

// The filters keep nothing to release, and the DLL stays loaded (StayLoaded).
extern "C" void UninitializePlugin() noexcept {}
