#include "host/help.h"

#include "host/filters.h"
#include "host/message_box.h"

namespace tessaro {

const char kAutoLevelHelpText[] =
    "=Auto Level Adjustment=\n"
    "----------------------------------------------\n"
    "At default settings, this plugin only adjust\n"
    "the Y-plane of YCbCr data.\n"
    "\n"
    "midRng: A factor for auto gamma correction\n"
    "Skip: For RGB mode only. Skip processing when\n"
    "histogram distribution of any one channel is highly\n"
    "compressed\n"
    "Cb: Apply leveling on Cb channel(risky)\n"
    "Cr: Apply leveling on Cr channel(risky)\n"
    "RGB mode: works on RGB data instead of YCbCr\n"
    "-----------------------------------------------\n"
    "Tessaro colour-level filters.\n"
    "Measures every frame and stretches each channel\n"
    "from its own minimum and maximum to full scale\n"
    "through one automatic gamma.\n";

const char kLevelsHelpText[] =
    "=Quillon-like Color Level Adjustment=\n"
    "----------------------------------------------\n"
    "For clipping/contrast-stretch(Vantor6):\n"
    "R/G/Bc-Hi and R/G/Bc-Low\n"
    "\n"
    "For input levels:\n"
    "R/G/Bi-Hi and R/G/Bi-Low\n"
    "\n"
    "For output levels:\n"
    "R/G/Bo-Hi and R/G/Bo-Low\n"
    "\n"
    "-----------------------------------------------\n"
    "Tessaro colour-level filters.\n"
    "Clipping sliders are fractions of the pixels,\n"
    "in 1/4080 of the frame, driven to black or white.\n"
    "Input levels take a gamma in hundredths;\n"
    "output levels set the final black and white.\n"
    "Sync RGB keeps the three channels in step.\n";

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
  return ShowHelpOnButton(message, wparam, kAutoLevelHelpCommand, kAutoLevelHelpText);
}

HostBool LevelsWindowProc(void*, std::uint32_t message, std::uintptr_t wparam, std::intptr_t, void*,
                          FilterDescriptor*) {
  return ShowHelpOnButton(message, wparam, kLevelsHelpCommand, kLevelsHelpText);
}

}  // namespace tessaro
