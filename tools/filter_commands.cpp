#include "filter_commands.h"

#include <cstdio>

namespace tessaro::tools {

Failure RunList(HostSession* session) {
  for (FilterDescriptor** f = session->filters(); *f != nullptr; ++f) {
    const FilterDescriptor& d = **f;
    std::printf("%s  (%s)\n", d.name, d.information ? d.information : "");
    std::printf("  sliders:\n");
    for (int i = 0; i < d.trackCount; ++i) {
      std::printf("    %-8s default %5d  range %d..%d\n", d.trackNames[i], d.trackDefaults[i],
                  d.trackMins[i], d.trackMaxs[i]);
    }
    std::printf("  check boxes:\n");
    for (int i = 0; i < d.checkCount; ++i) {
      if (d.checkDefaults[i] == kButtonDefault) {
        std::printf("    %-8s [button]\n", d.checkNames[i]);
      } else {
        std::printf("    %-8s default %d\n", d.checkNames[i], d.checkDefaults[i]);
      }
    }
  }
  return {};
}

Failure RunHelp(HostSession* session, const std::string& filterName) {
  FilterDescriptor* filter = nullptr;
  if (Failure f = session->Find(filterName, &filter)) return f;
  FilterStage stage(filter, session->services());
  return stage.PressButton("HELP");
}

}  // namespace tessaro::tools
