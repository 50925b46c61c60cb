#include "host/help.h"

#include "host/filters.h"
#include "host/message_box.h"

namespace tessaro {

namespace {

HostBool ShowHelpOnButton(std::uint32_t message, std::uintptr_t wparam, std::uint32_t command,
                          const char* text) {
  // The whole parameter must match: a notification code in its upper half is another event.
  if (message == kCommandMessage && wparam == command) {
    ShowMessageBox(text, kHelpCaption, kMessageBoxInformation);
  }
  return kFalse;
}

}  // namespace

HostBool AutoLevelWindowProc(void*, std::uint32_t message, std::uintptr_t wparam, std::intptr_t,
                             void*, FilterDescriptor*) {
  return ShowHelpOnButton(message, wparam, kAutoLevelHelpCommand, kAutoLevelHelp);
}

HostBool LevelsWindowProc(void*, std::uint32_t message, std::uintptr_t wparam, std::intptr_t, void*,
                          FilterDescriptor*) {
  return ShowHelpOnButton(message, wparam, kLevelsHelpCommand, kQuillonLevelHelp);
}

}  // namespace tessaro
