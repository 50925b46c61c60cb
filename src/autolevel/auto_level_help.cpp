// The text the "HELP" button of "Auto Level" shows: lines end in a line feed alone.
#include "autolevel/auto_level.h"

namespace tessaro {

const char kAutoLevelHelp[] =
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

}  // namespace tessaro
