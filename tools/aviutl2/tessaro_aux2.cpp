// Tessaro.aux2: the filters as one generic plug-in of AviUtl ExEdit2. The editor's items are
// made from the filters' own rows, and every call hands the filter the editor's RGBA picture.
// The editor may render frames in any order and run a filter for several objects at once, so
// every call reads the items once into settings of its own: calls share nothing they write,
// and no call depends on an earlier one.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "aviutl2_records.h"
#include "filter_stage.h"
#include "levels/levels_params.h"
#include "pipeline/controls.h"
#include "pipeline/picture.h"
#include "pipeline/start.h"

namespace {

using namespace tessaro;
using namespace tessaro::tools;
using namespace tessaro::aviutl2;

// The editor's callbacks carry no context, so every filter and every button has a function of
// its own, made for up to this many filters and for every check box a filter may have.
constexpr int kMaxFilters = 4;
constexpr int kMaxChecks = pipeline::kMaxChecks;

constexpr char16_t kLabel[] = u"Tessaro";
constexpr char kHelpCaption[] = "INFO";
constexpr UINT kHelpStyle = MB_OK | MB_ICONINFORMATION;

// The filters' strings are ASCII; anything else would show as the replacement character.
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
std::int32_t SliderValue(double v, const pipeline::SliderRow& row) {
  if (std::isnan(v)) return row.defaultValue;
  return static_cast<std::int32_t>(
      std::round(std::clamp(v, static_cast<double>(row.min), static_cast<double>(row.max))));
}

struct Registration {
  const FilterEntry* filter = nullptr;
  std::u16string name, information;
  std::vector<std::u16string> itemNames;  // sliders, then check boxes
  std::vector<TrackItem> tracks;          // one per slider
  std::vector<CheckItem> checks;          // one per check box; a button's stays unused
  std::vector<ButtonItem> buttons;        // one per check box; used for buttons only
  std::vector<void*> items;               // sliders, then check boxes and buttons; null last
  FilterTable table{};
};

struct Plugin {
  std::unique_ptr<Registration> filters[kMaxFilters];
  int count = 0;
};

Plugin* Started() noexcept;

// The filters' one button shows their help text in a message box.
void PressButton(int filter, int check) noexcept {
  Plugin* plugin = Started();
  if (plugin == nullptr || filter >= plugin->count) return;
  FilterStage stage(*plugin->filters[filter]->filter);
  const char* help = nullptr;
  const auto& row = stage.entry().checks[static_cast<std::size_t>(check)];
  if (!stage.PressButton(row.name, &help) && help != nullptr) {
    MessageBoxA(nullptr, help, kHelpCaption, kHelpStyle);
  }
}

// "Sync RGB" without state: with it on, the red channel's sliders (its six and "gamR") are
// moved on every call, and carry green and blue along; with it off each channel keeps its own.
void FollowRedSliders(FilterStage* stage) {
  if (stage->entry().moved == nullptr) return;
  for (int i = 0; i < kLevelsTracksPerChannel; ++i) {
    stage->MoveTrackAt(i, stage->controls().sliders[static_cast<std::size_t>(i)]);
  }
  stage->MoveTrackAt(kLevelsGammaTrack, stage->controls().sliders[kLevelsGammaTrack]);
}

void ReadItems(const Registration& r, FilterStage* stage) {
  const FilterEntry& f = *r.filter;
  for (std::size_t i = 0; i < f.sliders.size(); ++i) {
    stage->SetTrackAt(static_cast<int>(i), SliderValue(r.tracks[i].value, f.sliders[i]));
  }
  for (std::size_t c = 0; c < f.checks.size(); ++c) {
    if (f.checks[c].button) continue;
    stage->SetCheckAt(static_cast<int>(c), r.checks[c].value != 0 ? 1 : 0);
  }
  FollowRedSliders(stage);
}

// Pictures' buffers kept from call to call: a new one for every frame, its pages touched afresh,
// cost more than the filter itself (about 20 ms a 1080p call under Wine). A call takes a free
// buffer large enough, or makes one, and gives it back; calls on several threads at once take
// different ones.
class Buffers {
 public:
  struct Buffer {
    std::unique_ptr<PixelRgba[]> pixels;
    std::size_t size = 0;
  };
  Buffer Take(std::size_t size) {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      for (std::size_t i = 0; i < free_.size(); ++i) {
        if (free_[i].size < size) continue;
        Buffer b = std::move(free_[i]);
        free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(i));
        return b;
      }
    }
    return {std::unique_ptr<PixelRgba[]>(new PixelRgba[size]), size};
  }
  void Give(Buffer b) {
    const std::lock_guard<std::mutex> hold(lock_);
    // A few, the largest kept: one for each object rendered at once.
    free_.push_back(std::move(b));
    std::sort(free_.begin(), free_.end(),
              [](const Buffer& x, const Buffer& y) { return x.size < y.size; });
    if (free_.size() > kKept) free_.erase(free_.begin());
  }

 private:
  static constexpr std::size_t kKept = 8;
  std::mutex lock_;
  std::vector<Buffer> free_;
};

Buffers& PictureBuffers() {
  static Buffers buffers;
  return buffers;
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
    // Beyond the filters' limits the frame is not filtered, and the editor hears of it rather
    // than show it unfiltered.
    if (w > pipeline::kMaxPictureSide || h > pipeline::kMaxPictureSide ||
        std::int64_t{w} * h > pipeline::kMaxPicturePixels || video->getImageData == nullptr ||
        video->setImageData == nullptr) {
      return false;
    }
    FilterStage stage(*plugin->filters[filter]->filter);
    ReadItems(*plugin->filters[filter], &stage);
    Buffers::Buffer picture =
        PictureBuffers().Take(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    video->getImageData(picture.pixels.get());
    auto* bytes = reinterpret_cast<std::uint8_t*>(picture.pixels.get());
    const pipeline::Outcome outcome = stage.Process(
        pipeline::Picture::Rgba8(bytes, 4 * w, bytes, 4 * w, w, h, pipeline::ByteOrder::kRgba));
    // "RGB mode" skipping a compressed frame passes it as it came, unwritten.
    if (outcome == pipeline::Outcome::kDone) video->setImageData(picture.pixels.get(), w, h);
    PictureBuffers().Give(std::move(picture));
    // Memory ran out: the editor stops the render rather than show the frame unfiltered.
    return outcome != pipeline::Outcome::kFailed;
  } catch (...) {
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

std::unique_ptr<Registration> Register(const FilterEntry& f, int index) {
  auto r = std::make_unique<Registration>();
  r->filter = &f;
  r->name = Utf16(f.name);
  r->information = Utf16(f.information);
  const std::size_t tracks = f.sliders.size();
  const std::size_t checks = std::min<std::size_t>(f.checks.size(), kMaxChecks);
  // Sized once: the items point into these.
  r->itemNames.resize(tracks + checks);
  r->tracks.resize(tracks);
  r->checks.resize(checks);
  r->buttons.resize(checks);
  for (std::size_t i = 0; i < tracks; ++i) {
    const pipeline::SliderRow& row = f.sliders[i];
    r->itemNames[i] = Utf16(row.name);
    r->tracks[i] = {kTrackType,
                    r->itemNames[i].c_str(),
                    static_cast<double>(row.defaultValue),
                    static_cast<double>(row.min),
                    static_cast<double>(row.max),
                    1.0};
    r->items.push_back(&r->tracks[i]);
  }
  for (std::size_t c = 0; c < checks; ++c) {
    std::u16string& name = r->itemNames[tracks + c];
    name = Utf16(f.checks[c].name);
    if (f.checks[c].button) {
      r->buttons[c] = {kButtonType, name.c_str(),
                       kButtonCallbacks[static_cast<std::size_t>(index)][c]};
      r->items.push_back(&r->buttons[c]);
    } else {
      r->checks[c] = {kCheckType, name.c_str(), static_cast<std::uint8_t>(f.checks[c].defaultOn)};
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

// The filters' worker threads stay parked in this DLL between frames;
// unloading it under them would take the editor down, so it stays until the process ends.
void StayLoaded() {
  static const int anchor = 0;
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&anchor), &self);
}

// The processor's code path chosen and the filters registered, or null when the processor
// cannot run them or memory ran out; decided once, on the first call.
Plugin* Started() noexcept {
  static Plugin* const plugin = []() noexcept -> Plugin* {
    try {
      if (!pipeline::StartFilters()) return nullptr;
      auto p = std::make_unique<Plugin>();
      for (const FilterEntry& f : Filters()) {
        if (p->count == kMaxFilters) break;
        p->filters[p->count] = Register(f, p->count);
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
