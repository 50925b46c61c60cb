// tessaro demo: the scene through "Auto Level" (default and RGB mode) and "Quillon Level"
// (clipping on every channel and a gamma), written as PNGs with histograms, and the
// per-channel statistics before and after on standard output.
#pragma once

#include "command_line.h"
#include "failure.h"
#include "host_session.h"

namespace tessaro::tools {

Failure RunDemo(const CommandLine& line, HostSession* session);

}  // namespace tessaro::tools
