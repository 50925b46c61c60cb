// A progress line on standard error, rewritten in place, for a person at a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace tessaro::tools {

class Progress {
 public:
  // total <= 0: the input does not say how many frames it holds.
  Progress(bool enabled, std::int64_t total);
  void Update(std::int64_t framesDone);
  // Ends the line; call before any other message goes to standard error.
  void Finish();

 private:
  void Print(std::int64_t framesDone);

  bool enabled_;
  bool printed_ = false;
  std::int64_t total_;
  std::int64_t done_ = 0;
  std::chrono::steady_clock::time_point start_, lastPrint_;
};

}  // namespace tessaro::tools
