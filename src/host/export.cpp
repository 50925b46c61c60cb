// The module's single export.
#include "host/filters.h"

extern "C" __attribute__((visibility("default"))) tessaro::FilterDescriptor** TESSARO_HOST_API
GetFilterTableList() {
  return tessaro::FilterList();
}
