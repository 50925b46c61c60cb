#include "platform_io.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#endif

namespace tessaro::tools {

void PrepareStandardStreams() {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#else
  std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

std::int64_t RegularFileSize(const std::string& path) {
  std::error_code ec;
  if (path == "-" || !std::filesystem::is_regular_file(path, ec)) return -1;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<std::int64_t>(size);
}

bool MakeDirectories(const std::string& path, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) *error = ec.message();
  return !ec;
}

int ProcessorCount() {
#ifdef _WIN32
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return static_cast<int>(info.dwNumberOfProcessors);
#else
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
#endif
}

void SetWorkerCount(int workers) {
  const std::string value = std::to_string(workers);
#ifdef _WIN32
  _putenv_s("OMP_NUM_THREADS", value.c_str());
#else
  setenv("OMP_NUM_THREADS", value.c_str(), 1);
#endif
}

ResidentMemory MeasureResidentMemory() {
  ResidentMemory m;
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    m.now = static_cast<std::int64_t>(counters.WorkingSetSize);
    m.peak = static_cast<std::int64_t>(counters.PeakWorkingSetSize);
  }
#else
  // statm: total and resident size in pages.
  std::ifstream statm("/proc/self/statm");
  std::int64_t pages = 0, resident = 0;
  if (statm >> pages >> resident) m.now = resident * sysconf(_SC_PAGESIZE);
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) m.peak = std::int64_t{usage.ru_maxrss} * 1024;
#endif
  return m;
}

}  // namespace tessaro::tools
