#include "module_stage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tessaro::tools {
namespace {

// Entry 21: these hosts have no window to bring up to date.
HostBool RefreshFilterWindow(FilterDescriptor*) {
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

// Whether the descriptor declares exactly the entry's controls, in its order.
bool SameControls(const FilterDescriptor& d, const FilterEntry& e) {
  if (d.trackCount != static_cast<std::int32_t>(e.sliders.size()) ||
      d.checkCount != static_cast<std::int32_t>(e.checks.size())) {
    return false;
  }
  for (std::size_t i = 0; i < e.sliders.size(); ++i) {
    const pipeline::SliderRow& r = e.sliders[i];
    if (std::strcmp(NameOr(d.trackNames[i]), r.name) != 0 || d.trackMins[i] != r.min ||
        d.trackMaxs[i] != r.max || d.trackDefaults[i] != r.defaultValue) {
      return false;
    }
  }
  for (std::size_t i = 0; i < e.checks.size(); ++i) {
    const pipeline::CheckRow& r = e.checks[i];
    const std::int32_t def = r.button ? kButtonDefault : (r.defaultOn ? 1 : 0);
    if (std::strcmp(NameOr(d.checkNames[i]), r.name) != 0 || d.checkDefaults[i] != def) {
      return false;
    }
  }
  return true;
}

}  // namespace

Failure StartedFilters::Start(FilterDescriptor** list) {
  list_ = list;
  FillServices(&services_, std::make_integer_sequence<int, 32>());
  services_.refreshFilterWindow = RefreshFilterWindow;
  defaultTracks_.clear();
  defaultChecks_.clear();
  for (FilterDescriptor** f = list_; *f != nullptr; ++f) {
    FilterDescriptor* d = *f;
    const FilterEntry* entry = FindFilter(NameOr(d->name));
    if (entry == nullptr || !SameControls(*d, *entry)) {
      return Fail(ExitStatus::kModule, "the module's filter " + Quoted(NameOr(d->name)) +
                                           " is not one of this program's");
    }
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

ModuleStage::ModuleStage(const FilterEntry& entry, FilterDescriptor* filter,
                         HostServiceTable* services)
    : FilterStage(entry), filter_(filter), services_(services) {}

void ModuleStage::Bind() {
  const Controls& c = controls();
  for (std::size_t i = 0; i < entry().sliders.size(); ++i) tracks_[i] = c.sliders[i];
  for (std::size_t i = 0; i < entry().checks.size(); ++i) {
    checks_[i] = entry().checks[i].button ? kButtonDefault : c.checks[i];
  }
  filter_->trackValues = tracks_.data();
  filter_->checkValues = checks_.data();
  filter_->services = services_;
}

bool ModuleStage::SliderMoved(int index) {
  if (filter_->update == nullptr) return false;
  Bind();
  const HostBool moved = filter_->update(filter_, kTrackChangeBase + index);
  // What the callback wrote into the live sliders.
  for (std::size_t i = 0; i < entry().sliders.size(); ++i) {
    values().sliders[i] = tracks_[i];
  }
  return moved == kTrue;
}

Failure ModuleStage::ButtonPressed(int index, const char** help) {
  *help = nullptr;
  if (filter_->windowProc == nullptr) {
    return Fail(ExitStatus::kRefused, Quoted(name()) + " takes no window messages");
  }
  Bind();
  filter_->windowProc(nullptr, kCommandMessage,
                      kButtonCommandBase + static_cast<std::uint32_t>(index), 0, nullptr, filter_);
  return {};
}

pipeline::Outcome ModuleStage::Process(const pipeline::Picture& picture, pipeline::Road) {
  if (picture.kind != pipeline::Picture::Kind::kYc || filter_->process == nullptr) {
    return pipeline::Outcome::kFailed;
  }
  const pipeline::Buffers& b = picture.yc;
  FrameInfo frame{};
  frame.edit = reinterpret_cast<YcPixel*>(b.edit.pixels);
  frame.temp = reinterpret_cast<YcPixel*>(b.temp.pixels);
  frame.width = picture.width;
  frame.height = picture.height;
  frame.rowLength = b.edit.step / kPixelBytes;
  Bind();
  return filter_->process(filter_, &frame) == kTrue ? pipeline::Outcome::kDone
                                                    : pipeline::Outcome::kUnchanged;
}

}  // namespace tessaro::tools
