#include "module_loader.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#endif

namespace tessaro::tools {
namespace {

using GetFilterTableListFn = FilterDescriptor**(TESSARO_HOST_API*)();

std::string Directory(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

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

std::string DefaultModulePath() {
#ifdef _WIN32
  char buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  const std::string self = (n > 0 && n < MAX_PATH) ? std::string(buffer, n) : std::string();
  return Directory(self) + "\\Tessaro.auf";
#else
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  const std::string self = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
  return Directory(self) + "/Tessaro.so";
#endif
}

}  // namespace tessaro::tools
