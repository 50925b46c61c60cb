// What went wrong, and the exit status that tells a script which kind of fault it was.
#pragma once

#include <string>
#include <utility>

namespace tessaro::tools {

// Documented in the README; scripts depend on these numbers.
enum class ExitStatus : int {
  kOk = 0,
  kInternal = 1,     // out of memory, or a filter broke the host's contract
  kUsage = 2,        // the command line does not parse
  kModule = 3,       // the module cannot be loaded or a filter refuses to start
  kRefused = 4,      // unknown filter, slider or check box, or a value out of range
  kBadInput = 5,     // input missing, unreadable, malformed or truncated
  kUnsupported = 6,  // well-formed input of a kind this host does not handle
  kOutput = 7,       // output cannot be created or written
};

struct Failure {
  ExitStatus status = ExitStatus::kOk;
  std::string message;

  explicit operator bool() const { return status != ExitStatus::kOk; }
};

inline Failure Fail(ExitStatus status, std::string message) {
  return Failure{status, std::move(message)};
}

}  // namespace tessaro::tools
