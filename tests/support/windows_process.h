// What the test programs that run under Wine share: the build machine's paths as Windows sees
// them, and a program run to its end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tessaro::testing {

inline std::wstring Wide(const std::string& s) {
  return std::wstring(s.begin(), s.end());  // ASCII paths and arguments only
}

// Wine maps the build machine's / to drive Z:.
inline std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string p = "Z:" + path;
  for (char& c : p) c = c == '/' ? '\\' : c;
  return p;
}

// args[0] with the rest as its arguments, each quoted; its exit status, or -1 when it cannot be
// started.
inline int RunProgram(const std::vector<std::string>& args) {
  std::wstring line;
  for (const std::string& a : args) line += (line.empty() ? L"\"" : L" \"") + Wide(a) + L"\"";
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                      &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

}  // namespace tessaro::testing
