// tessaro: drives the Tessaro module as the editor does.
#include <cstdio>
#include <cstring>
#include <string>

#include "module_loader.h"

namespace {

using tessaro::FilterDescriptor;

void PrintUsage() {
  std::fputs(
      "usage: tessaro list [--module PATH]\n"
      "  list    every filter of the module with its sliders and check boxes\n",
      stderr);
}

int List(FilterDescriptor** filters) {
  for (FilterDescriptor** f = filters; *f != nullptr; ++f) {
    const FilterDescriptor& d = **f;
    std::printf("%s  (%s)\n", d.name, d.information ? d.information : "");
    std::printf("  sliders:\n");
    for (int i = 0; i < d.trackCount; ++i) {
      std::printf("    %-8s default %5d  range %d..%d\n", d.trackNames[i], d.trackDefaults[i],
                  d.trackMins[i], d.trackMaxs[i]);
    }
    std::printf("  check boxes:\n");
    for (int i = 0; i < d.checkCount; ++i) {
      if (d.checkDefaults[i] == tessaro::kButtonDefault) {
        std::printf("    %-8s [button]\n", d.checkNames[i]);
      } else {
        std::printf("    %-8s default %d\n", d.checkNames[i], d.checkDefaults[i]);
      }
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command;
  std::string modulePath = tessaro::tools::DefaultModulePath();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
      modulePath = argv[++i];
    } else if (command.empty()) {
      command = argv[i];
    } else {
      PrintUsage();
      return 2;
    }
  }
  if (command != "list") {
    PrintUsage();
    return 2;
  }
  std::string error;
  auto module = tessaro::tools::LoadedModule::Open(modulePath, &error);
  if (!error.empty()) {
    std::fprintf(stderr, "tessaro: %s\n", error.c_str());
    return 3;
  }
  return List(module.filters());
}
