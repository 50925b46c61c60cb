// The editor's side of the plug-in interface: the loaded module with its filters started,
// filters with live slider and check-box values, and the frame buffers the host owns.
#pragma once

#include <string>

#include "failure.h"
#include "filter_stage.h"
#include "host/host_records.h"
#include "module_loader.h"

namespace tessaro::tools {

class HostSession {
 public:
  // Loads the module and runs each filter's start-up callback once, with the live arrays
  // and the service table already in place.
  static Failure Open(const std::string& modulePath, HostSession* session);

  FilterDescriptor** filters() const { return started_.filters(); }
  // Refuses an unknown name with the list of the module's filters.
  Failure Find(const std::string& name, FilterDescriptor** filter) const {
    return started_.Find(name, filter);
  }
  HostServiceTable* services() { return started_.services(); }
  StartedFilters* started() { return &started_; }

  // How often a filter asked for its window to be refreshed.
  static int RefreshRequests() { return StartedFilters::RefreshRequests(); }

 private:
  LoadedModule module_;
  StartedFilters started_;
};

}  // namespace tessaro::tools
