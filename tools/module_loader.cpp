#include "module_loader.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tessaro::tools {
namespace {

using GetFilterTableListFn = FilterDescriptor**(TESSARO_HOST_API*)();

}  // namespace

LoadedModule::LoadedModule(LoadedModule&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      filters_(std::exchange(other.filters_, nullptr)) {}

LoadedModule& LoadedModule::operator=(LoadedModule&& other) noexcept {
  handle_ = std::exchange(other.handle_, nullptr);
  filters_ = std::exchange(other.filters_, nullptr);
  return *this;
}

LoadedModule LoadedModule::Open(const std::string& path, std::string* error) {
  LoadedModule module;
  error->clear();
#ifdef _WIN32
  HMODULE handle = LoadLibraryA(path.c_str());
  if (handle == nullptr) {
    *error = "cannot load module " + path + " (error " + std::to_string(GetLastError()) + ")";
    return module;
  }
  auto entry = reinterpret_cast<GetFilterTableListFn>(
      reinterpret_cast<void*>(GetProcAddress(handle, "GetFilterTableList")));
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    *error = "cannot load module " + path + ": " + (why ? why : "unknown error");
    return module;
  }
  auto entry = reinterpret_cast<GetFilterTableListFn>(dlsym(handle, "GetFilterTableList"));
#endif
  if (entry == nullptr) {
    *error = path + " does not export GetFilterTableList";
    return module;
  }
  module.handle_ = reinterpret_cast<void*>(handle);
  module.filters_ = entry();
  if (module.filters_ == nullptr) *error = path + " returned no filter list";
  return module;
}

}  // namespace tessaro::tools
