// The text the "HELP" button of "Quillon Level" shows: lines end in a line feed alone.
#include "levels/levels.h"

namespace tessaro {

const char kQuillonLevelHelp[] =
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

}  // namespace tessaro
