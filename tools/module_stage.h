// A built module driven through its export, as the editor drives it: for `--module PATH`,
// which compares a Windows module with this build. The module's descriptors must declare the
// filters' own controls; its filters then take the editor's frames through their callbacks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "failure.h"
#include "filter_stage.h"
#include "host/host_records.h"

namespace tessaro::tools {

// A module's filter list with every descriptor filled in (live arrays holding the defaults,
// the service table) and each filter's start-up callback run once. The descriptors point
// into this object, so it stays where it was started.
class StartedFilters {
 public:
  StartedFilters() = default;
  StartedFilters(const StartedFilters&) = delete;
  StartedFilters& operator=(const StartedFilters&) = delete;

  // Refuses a module whose filters' controls are not the ones this program knows.
  Failure Start(FilterDescriptor** list);
  FilterDescriptor** filters() const { return list_; }
  // The module's filter of that name; refuses an unknown one with the list of the module's.
  Failure Find(const std::string& name, FilterDescriptor** filter) const;
  HostServiceTable* services() { return &services_; }

 private:
  FilterDescriptor** list_ = nullptr;
  HostServiceTable services_{};
  std::vector<std::vector<std::int32_t>> defaultTracks_, defaultChecks_;
};

// One of a module's filters: the settings as the filters name them, handed to the module's
// descriptor before each call. Stages on different threads need descriptors of their own.
class ModuleStage : public FilterStage {
 public:
  ModuleStage(const FilterEntry& entry, FilterDescriptor* filter, HostServiceTable* services);

  // The editor's frames only: kDone when the callback said TRUE, kUnchanged when FALSE.
  pipeline::Outcome Process(const pipeline::Picture& picture,
                            pipeline::Road road = pipeline::Road::kChoose) override;
  // A module keeps its two steps to itself.
  pipeline::FrameJobPtr Job(const pipeline::Picture&, pipeline::Road) override { return nullptr; }
  FilterDescriptor* descriptor() const { return filter_; }

 protected:
  bool SliderMoved(int index) override;
  Failure ButtonPressed(int index, const char** help) override;

 private:
  void Bind();

  FilterDescriptor* filter_;
  HostServiceTable* services_;
  std::array<std::int32_t, pipeline::kMaxSliders> tracks_{};
  std::array<std::int32_t, pipeline::kMaxChecks> checks_{};
};

}  // namespace tessaro::tools
