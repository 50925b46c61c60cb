// `tessaro bench`: what each filter setting of the benchmarks costs with the loaded module on
// this machine.
#pragma once

#include "command_line.h"
#include "failure.h"
#include "host_session.h"

namespace tessaro::tools {

// Every setting of BenchCases on a noisy scene of line.benchWidth x line.benchHeight: the
// frame is restored before each call and only the processing callback is timed.
Failure RunBench(const CommandLine& line, HostSession* session);

}  // namespace tessaro::tools
