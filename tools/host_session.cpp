#include "host_session.h"

#include "pipeline/start.h"

namespace tessaro::tools {

Failure HostSession::Open(const std::string& modulePath, HostSession* session) {
  if (modulePath.empty()) {
    if (!pipeline::StartFilters()) {
      return Fail(ExitStatus::kModule, "the filters cannot run on this processor");
    }
    return {};
  }
  std::string error;
  session->module_ = LoadedModule::Open(modulePath, &error);
  if (!error.empty()) return Fail(ExitStatus::kModule, error);
  return session->started_.Start(session->module_.filters());
}

std::vector<const FilterEntry*> HostSession::entries() const {
  std::vector<const FilterEntry*> list;
  if (!usesModule()) {
    for (const FilterEntry& f : Filters()) list.push_back(&f);
    return list;
  }
  // Start checked that each is one of the built-in filters.
  for (FilterDescriptor** f = started_.filters(); *f != nullptr; ++f) {
    list.push_back(FindFilter((*f)->name));
  }
  return list;
}

Failure HostSession::NewStage(const std::string& name, std::unique_ptr<FilterStage>* stage) {
  if (usesModule()) {
    FilterDescriptor* filter = nullptr;
    if (Failure f = started_.Find(name, &filter)) return f;
    *stage = std::make_unique<ModuleStage>(*FindFilter(name), filter, started_.services());
    return {};
  }
  const FilterEntry* entry = FindFilter(name);
  if (entry == nullptr) {
    std::string names;
    for (const FilterEntry& f : Filters())
      names += (names.empty() ? "\"" : ", \"") + std::string(f.name) + "\"";
    return Fail(ExitStatus::kRefused, "unknown filter \"" + name + "\"; the module has " + names);
  }
  *stage = std::make_unique<FilterStage>(*entry);
  return {};
}

}  // namespace tessaro::tools
