// tessaro: drives the Tessaro module as the editor does.
#include <cstdio>
#include <exception>
#include <new>

#include "apply.h"
#include "bench.h"
#include "command_line.h"
#include "demo.h"
#include "filter_commands.h"
#include "host_session.h"
#include "module_loader.h"
#include "platform_io.h"

namespace {

using tessaro::tools::CommandLine;
using tessaro::tools::ExitStatus;
using tessaro::tools::Failure;

Failure Run(const CommandLine& line) {
  using namespace tessaro::tools;
  HostSession session;
  // A module's parallel runtime reads its worker count when the module loads.
  if (line.benchWorkers > 0) SetWorkerCount(line.benchWorkers);
  if (Failure f = HostSession::Open(line.modulePath, &session)) return f;
  if (line.command == "list") return RunList(&session);
  if (line.command == "help") return RunHelp(&session, line.operands[0]);
  if (line.command == "demo") return RunDemo(line, &session);
  if (line.command == "bench") return RunBench(line, &session);
  return RunApply(line, &session);
}

int Report(const Failure& f) {
  std::fflush(stdout);
  std::fprintf(stderr, "tessaro: %s\n", f.message.c_str());
  return static_cast<int>(f.status);
}

}  // namespace

int main(int argc, char** argv) {
  tessaro::tools::PrepareStandardStreams();
  CommandLine line;
  if (Failure f = tessaro::tools::ParseCommandLine(argc, argv, &line)) {
    Report(f);
    std::fputs(tessaro::tools::UsageText(), stderr);
    return static_cast<int>(f.status);
  }
  if (line.usageRequested) {
    std::fputs(tessaro::tools::UsageText(), stdout);
    return 0;
  }
  try {
    if (Failure f = Run(line)) return Report(f);
  } catch (const std::bad_alloc&) {
    return Report(Failure{ExitStatus::kInternal, "out of memory"});
  } catch (const std::exception& e) {
    return Report(Failure{ExitStatus::kInternal, e.what()});
  }
  if (std::fflush(stdout) != 0)
    return Report(Failure{ExitStatus::kOutput, "cannot write standard output"});
  return 0;
}
