#include "filter_stage.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "yc_convert.h"

namespace tessaro::tools {
namespace {

// Atomic: a plug-in's instances may be moved on several threads at once.
std::atomic<int> g_refreshRequests{0};

// Entry 21: these hosts have no window to bring up to date.
HostBool RefreshFilterWindow(FilterDescriptor*) {
  ++g_refreshRequests;
  return kTrue;
}

// The other entries: a filter that calls one gets a clear message instead of a jump to
// nowhere.
template <int N>
HostBool UnofferedService() {
  std::fprintf(stderr, "tessaro: a filter called host service %d, which this host does not offer\n",
               N);
  std::exit(static_cast<int>(ExitStatus::kInternal));
}

template <int... N>
void FillServices(HostServiceTable* table, std::integer_sequence<int, N...>) {
  void* entries[] = {reinterpret_cast<void*>(&UnofferedService<N>)...};
  for (int i = 0; i < 21; ++i) table->entries0To20[i] = entries[i];
  for (int i = 0; i < 10; ++i) table->furtherEntries[i] = entries[22 + i];
}

const char* NameOr(const char* name) {
  return name != nullptr ? name : "(unnamed)";
}

std::string Quoted(const std::string& s) {
  return "\"" + s + "\"";
}

// What a host's buffers hold before a frame arrives: nothing a filter may rely on.
const YcPixel kPaddingJunk{-31313, 31313, -31313};
const YcPixel kScratchJunk{5551, -5551, 1234};

constexpr int kMaxRgba = 255;  // the largest 8-bit code

}  // namespace

int StartedFilters::RefreshRequests() {
  return g_refreshRequests;
}

Failure StartedFilters::Start(FilterDescriptor** list) {
  list_ = list;
  FillServices(&services_, std::make_integer_sequence<int, 32>());
  services_.refreshFilterWindow = RefreshFilterWindow;
  defaultTracks_.clear();
  defaultChecks_.clear();
  for (FilterDescriptor** f = list_; *f != nullptr; ++f) {
    FilterDescriptor* d = *f;
    auto& tracks = defaultTracks_.emplace_back(d->trackDefaults, d->trackDefaults + d->trackCount);
    auto& checks = defaultChecks_.emplace_back(d->checkDefaults, d->checkDefaults + d->checkCount);
    d->trackValues = tracks.data();
    d->checkValues = checks.data();
    d->services = &services_;
  }
  // Only after every descriptor is filled in: a start-up callback may look at any of them.
  for (FilterDescriptor** f = list_; *f != nullptr; ++f) {
    if ((*f)->init != nullptr && (*f)->init(*f) != kTrue) {
      return Fail(ExitStatus::kModule,
                  "filter " + Quoted(NameOr((*f)->name)) + " refused to start");
    }
  }
  return {};
}

Failure StartedFilters::Find(const std::string& name, FilterDescriptor** filter) const {
  std::string names;
  for (FilterDescriptor** f = filters(); *f != nullptr; ++f) {
    if (name == NameOr((*f)->name)) {
      *filter = *f;
      return {};
    }
    if (!names.empty()) names += ", ";
    names += Quoted(NameOr((*f)->name));
  }
  return Fail(ExitStatus::kRefused, "unknown filter " + Quoted(name) + "; the module has " + names);
}

FilterStage::FilterStage(FilterDescriptor* filter, HostServiceTable* services)
    : filter_(filter),
      services_(services),
      tracks_(filter->trackDefaults, filter->trackDefaults + filter->trackCount),
      checks_(filter->checkDefaults, filter->checkDefaults + filter->checkCount) {}

void FilterStage::Bind() {
  filter_->trackValues = tracks_.data();
  filter_->checkValues = checks_.data();
  filter_->services = services_;
}

std::string FilterStage::TrackList() const {
  std::string list;
  for (int i = 0; i < filter_->trackCount; ++i) {
    if (i > 0) list += ", ";
    list += NameOr(filter_->trackNames[i]);
    list += " (" + std::to_string(filter_->trackMins[i]) + ".." +
            std::to_string(filter_->trackMaxs[i]) + ")";
  }
  return list.empty() ? "none" : list;
}

std::string FilterStage::CheckList() const {
  std::string list, buttons;
  for (int i = 0; i < filter_->checkCount; ++i) {
    std::string& to = filter_->checkDefaults[i] == kButtonDefault ? buttons : list;
    if (!to.empty()) to += ", ";
    to += NameOr(filter_->checkNames[i]);
  }
  return (list.empty() ? "none" : list) + (buttons.empty() ? "" : "; buttons: " + buttons);
}

Failure FilterStage::FindTrack(const std::string& track, int* index) const {
  for (int i = 0; i < filter_->trackCount; ++i) {
    if (track == NameOr(filter_->trackNames[i])) {
      *index = i;
      return {};
    }
  }
  return Fail(ExitStatus::kRefused, Quoted(name()) + " has no slider " + Quoted(track) +
                                        "; its sliders are " + TrackList());
}

Failure FilterStage::SetTrack(const std::string& track, std::int32_t value) {
  int i = 0;
  if (Failure f = FindTrack(track, &i)) return f;
  if (value < filter_->trackMins[i] || value > filter_->trackMaxs[i]) {
    return Fail(ExitStatus::kRefused, "slider " + Quoted(track) + " of " + Quoted(name()) +
                                          " takes " + std::to_string(filter_->trackMins[i]) + ".." +
                                          std::to_string(filter_->trackMaxs[i]) + ", not " +
                                          std::to_string(value));
  }
  SetTrackAt(i, value);
  return {};
}

Failure FilterStage::MoveTrack(const std::string& track, std::int32_t value) {
  if (Failure f = SetTrack(track, value)) return f;
  int i = 0;
  FindTrack(track, &i);
  MoveTrackAt(i, value);
  return {};
}

Failure FilterStage::SetCheck(const std::string& check, std::int32_t value) {
  for (int i = 0; i < filter_->checkCount; ++i) {
    if (check != NameOr(filter_->checkNames[i])) continue;
    if (filter_->checkDefaults[i] == kButtonDefault) {
      return Fail(ExitStatus::kRefused, Quoted(check) + " of " + Quoted(name()) +
                                            " is a button, not a check box; its check boxes are " +
                                            CheckList());
    }
    if (value != 0 && value != 1) {
      return Fail(ExitStatus::kRefused,
                  "check box " + Quoted(check) + " takes 0 or 1, not " + std::to_string(value));
    }
    SetCheckAt(i, value);
    return {};
  }
  return Fail(ExitStatus::kRefused, Quoted(name()) + " has no check box " + Quoted(check) +
                                        "; its check boxes are " + CheckList());
}

Failure FilterStage::PressButton(const std::string& button) {
  for (int i = 0; i < filter_->checkCount; ++i) {
    if (button != NameOr(filter_->checkNames[i]) || filter_->checkDefaults[i] != kButtonDefault) {
      continue;
    }
    if (filter_->windowProc == nullptr) {
      return Fail(ExitStatus::kRefused, Quoted(name()) + " takes no window messages");
    }
    Bind();
    filter_->windowProc(nullptr, kCommandMessage,
                        kButtonCommandBase + static_cast<std::uint32_t>(i), 0, nullptr, filter_);
    return {};
  }
  return Fail(ExitStatus::kRefused,
              Quoted(name()) + " has no button " + Quoted(button) + "; " + CheckList());
}

HostBool FilterStage::Process(FrameInfo* frame) {
  Bind();
  return filter_->process != nullptr ? filter_->process(filter_, frame) : kFalse;
}

std::string FilterStage::DescribeSettings() const {
  std::string s = std::string(name()) + ":";
  for (int i = 0; i < filter_->trackCount; ++i) {
    s += " " + std::string(NameOr(filter_->trackNames[i])) + "=" +
         std::to_string(tracks_[static_cast<std::size_t>(i)]);
  }
  for (int i = 0; i < filter_->checkCount; ++i) {
    if (filter_->checkDefaults[i] == kButtonDefault) continue;
    s += " [" + std::string(NameOr(filter_->checkNames[i])) +
         "]=" + std::to_string(checks_[static_cast<std::size_t>(i)]);
  }
  return s;
}

bool FrameFits(std::int32_t width, std::int32_t height, std::int32_t rowPad) {
  return width > 0 && height > 0 && (std::int64_t{width} + rowPad) * height <= kMaxPixels;
}

FrameBuffers::FrameBuffers(std::int32_t width, std::int32_t height, std::int32_t rowPad) {
  const std::size_t rowLength = static_cast<std::size_t>(width) + static_cast<std::size_t>(rowPad);
  edit_.assign(rowLength * static_cast<std::size_t>(height), kPaddingJunk);
  temp_.assign(edit_.size(), kScratchJunk);
  info_.edit = edit_.data();
  info_.temp = temp_.data();
  info_.width = width;
  info_.height = height;
  info_.rowLength = static_cast<std::int32_t>(rowLength);
}

void FrameBuffers::Load(const YcImage& image) {
  for (std::int32_t y = 0; y < info_.height; ++y) {
    std::copy_n(&image.at(0, y), info_.width,
                edit_.begin() + static_cast<std::ptrdiff_t>(y) * info_.rowLength);
  }
}

void FrameBuffers::Store(YcImage* image) const {
  image->Resize(info_.width, info_.height);
  for (std::int32_t y = 0; y < info_.height; ++y) {
    std::copy_n(edit_.begin() + static_cast<std::ptrdiff_t>(y) * info_.rowLength, info_.width,
                &image->at(0, y));
  }
}

void FrameBuffers::LoadRgba(const std::uint8_t* rgba) {
  const std::size_t w = static_cast<std::size_t>(info_.width);
  for (std::int32_t y = 0; y < info_.height; ++y) {
    YcPixel* row = Row(y);
    const std::uint8_t* s = rgba + 4 * w * static_cast<std::size_t>(y);
    for (std::size_t x = 0; x < w; ++x, s += 4) row[x] = RgbCodesToYc(s[0], s[1], s[2], kMaxRgba);
  }
}

void FrameBuffers::StoreRgba(const std::uint8_t* alpha, std::uint8_t* rgba) const {
  const std::size_t w = static_cast<std::size_t>(info_.width);
  for (std::int32_t y = 0; y < info_.height; ++y) {
    const YcPixel* row = Row(y);
    const std::size_t at = 4 * w * static_cast<std::size_t>(y);
    for (std::size_t x = 0; x < w; ++x) {
      std::uint16_t rgb[3];
      YcToRgbCodes(row[x], kMaxRgba, rgb);
      std::uint8_t* d = rgba + at + 4 * x;
      d[0] = static_cast<std::uint8_t>(rgb[0]);
      d[1] = static_cast<std::uint8_t>(rgb[1]);
      d[2] = static_cast<std::uint8_t>(rgb[2]);
      d[3] = alpha[at + 4 * x + 3];
    }
  }
}

void FilterStage::SetTrackAt(int index, std::int32_t value) {
  tracks_[static_cast<std::size_t>(index)] = value;
}

void FilterStage::MoveTrackAt(int index, std::int32_t value) {
  SetTrackAt(index, value);
  if (filter_->update != nullptr) {
    Bind();
    filter_->update(filter_, kTrackChangeBase + index);
  }
}

void FilterStage::SetCheckAt(int index, std::int32_t value) {
  checks_[static_cast<std::size_t>(index)] = value;
}

}  // namespace tessaro::tools
