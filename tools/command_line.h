// The command line of tessaro, parsed but not yet checked against the module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "failure.h"
#include "pipeline/smoothing.h"

namespace tessaro::tools {

struct Setting {
  enum Kind { kSet, kCheck, kMove } kind;
  std::string name;
  std::int32_t value;
};

struct FilterRequest {
  std::string name;
  std::vector<Setting> settings;  // in the order given
};

struct CommandLine {
  std::string command;     // list, apply, help, demo or bench
  std::string modulePath;  // empty: the module next to the executable
  std::vector<std::string> operands;
  std::vector<FilterRequest> filters;
  std::int32_t rowPad = 0;
  bool quiet = false;
  bool showSettings = false;
  bool timing = false;  // apply: the filters' time a frame, on standard error
  // apply: each filter's parameters the mean over the frames within smoothRadius before and
  // after each frame, in its scene; 0 is every frame on its own. sceneCut: the threshold of
  // a cut, in codes of 255.
  std::int32_t smoothRadius = 0;
  double sceneCut = pipeline::kDefaultSceneCut;
  bool usageRequested = false;  // --help
  std::string outDir = "tessaro-demo";
  // bench
  std::int32_t benchWidth = 1920;
  std::int32_t benchHeight = 1080;
  std::int32_t benchFrames = 0;   // 0: about a second per setting
  std::int32_t benchWorkers = 0;  // 0: the module's default
};

inline constexpr std::int32_t kMaxRowPad = 4096;
inline constexpr std::int32_t kMaxSmoothRadius = 100;

// Usage mistakes come back with ExitStatus::kUsage.
Failure ParseCommandLine(int argc, const char* const* argv, CommandLine* line);
const char* UsageText();

}  // namespace tessaro::tools
