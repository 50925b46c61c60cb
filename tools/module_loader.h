// Loads a Tessaro module file the way the editor does and hands out its filter list.
#pragma once

#include <string>

#include "host/host_records.h"

namespace tessaro::tools {

class LoadedModule {
 public:
  LoadedModule() = default;
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  LoadedModule(LoadedModule&& other) noexcept;
  LoadedModule& operator=(LoadedModule&& other) noexcept;
  // The module stays loaded until the process ends: its worker threads may still be
  // parked inside it.
  ~LoadedModule() = default;

  // Empty error on success.
  static LoadedModule Open(const std::string& path, std::string* error);

  bool loaded() const { return handle_ != nullptr; }
  // The null-terminated filter list from GetFilterTableList.
  FilterDescriptor** filters() const { return filters_; }

 private:
  void* handle_ = nullptr;
  FilterDescriptor** filters_ = nullptr;
};

}  // namespace tessaro::tools
