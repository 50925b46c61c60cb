// The few places where Windows and Linux differ for a command-line filter host.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tessaro::tools {

// Binary standard streams on Windows; on Linux a closed pipe becomes a write error
// instead of a silent death by signal.
void PrepareStandardStreams();
bool StandardErrorIsTerminal();
// Bytes in a regular file, or -1 (standard input, pipes, unknown).
std::int64_t RegularFileSize(const std::string& path);
bool MakeDirectories(const std::string& path, std::string* error);

// Logical processors of this machine.
int ProcessorCount();
// Workers of the module's parallel runtime, which reads the count when the module loads.
void SetWorkerCount(int workers);

struct ResidentMemory {
  std::int64_t now = -1;   // bytes of the process in physical memory; -1 unknown
  std::int64_t peak = -1;  // the most it has held so far
};
ResidentMemory MeasureResidentMemory();

}  // namespace tessaro::tools
