// tessaro apply: frames from a Y4M stream or a PNG picture through the filter chain.
#pragma once

#include "command_line.h"
#include "failure.h"
#include "host_session.h"

namespace tessaro::tools {

Failure RunApply(const CommandLine& line, HostSession* session);

}  // namespace tessaro::tools
