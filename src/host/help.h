// The "HELP" buttons: each filter's window-message callback shows its help text.
#pragma once

#include <cstdint>

#include "host/host_records.h"

namespace tessaro {

inline constexpr char kHelpCaption[] = "INFO";

HostBool AutoLevelWindowProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam, void* edit, FilterDescriptor* filter);
HostBool LevelsWindowProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam, void* edit, FilterDescriptor* filter);

}  // namespace tessaro
