#include "filter_commands.h"

#include <cstdio>
#include <memory>

namespace tessaro::tools {

Failure RunList(HostSession* session) {
  for (const FilterEntry* f : session->entries()) {
    std::printf("%s  (%s)\n", f->name, f->information);
    std::printf("  sliders:\n");
    for (const pipeline::SliderRow& row : f->sliders) {
      std::printf("    %-8s default %5d  range %d..%d\n", row.name, row.defaultValue, row.min,
                  row.max);
    }
    std::printf("  check boxes:\n");
    for (const pipeline::CheckRow& row : f->checks) {
      if (row.button) {
        std::printf("    %-8s [button]\n", row.name);
      } else {
        std::printf("    %-8s default %d\n", row.name, row.defaultOn ? 1 : 0);
      }
    }
  }
  return {};
}

Failure RunHelp(HostSession* session, const std::string& filterName) {
  std::unique_ptr<FilterStage> stage;
  if (Failure f = session->NewStage(filterName, &stage)) return f;
  const char* help = nullptr;
  if (Failure f = stage->PressButton("HELP", &help)) return f;
  // A module shows its text itself; the built-in filters' text is printed.
  if (help != nullptr) std::fputs(help, stdout);
  return {};
}

}  // namespace tessaro::tools
