// The module's only user interface: a modal message box. On Windows the system's box;
// elsewhere text printed on standard output. Hosts and tests may capture it instead.
#pragma once

#include <cstdint>

namespace tessaro {

inline constexpr std::uint32_t kMessageBoxInformation = 0x40;  // OK button, information icon

using MessageBoxSink = std::int32_t (*)(const char* text, const char* caption, std::uint32_t style);

// Null restores the platform's own box.
void SetMessageBoxSink(MessageBoxSink sink);
std::int32_t ShowMessageBox(const char* text, const char* caption, std::uint32_t style);

}  // namespace tessaro
