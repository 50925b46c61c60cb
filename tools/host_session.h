// Where tessaro's filters come from: the ones built into it, or (`--module PATH`) a built
// module loaded the way the editor loads it, whose filters take the editor's frames.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "failure.h"
#include "filter_stage.h"
#include "module_loader.h"
#include "module_stage.h"

namespace tessaro::tools {

class HostSession {
 public:
  // The built-in filters when modulePath is empty; otherwise the module is loaded and each
  // of its filters' start-up callbacks run once.
  static Failure Open(const std::string& modulePath, HostSession* session);

  bool usesModule() const { return module_.loaded(); }
  // The filters, in the order the module (or this program) lists them.
  std::vector<const FilterEntry*> entries() const;
  // A stage of the named filter; refuses an unknown name with the list of the filters.
  Failure NewStage(const std::string& name, std::unique_ptr<FilterStage>* stage);

 private:
  LoadedModule module_;
  StartedFilters started_;
};

}  // namespace tessaro::tools
