#include "progress.h"

#include <cstdio>
#include <string>

namespace tessaro::tools {
namespace {

// Often enough to look alive, rarely enough to cost nothing.
constexpr std::chrono::milliseconds kInterval{250};

}  // namespace

Progress::Progress(bool enabled, std::int64_t total)
    : enabled_(enabled),
      total_(total),
      start_(std::chrono::steady_clock::now()),
      lastPrint_(start_) {}

void Progress::Update(std::int64_t framesDone) {
  done_ = framesDone;
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (printed_ && now - lastPrint_ < kInterval) return;
  lastPrint_ = now;
  Print(framesDone);
}

void Progress::Print(std::int64_t framesDone) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double fps = seconds > 0.0 ? static_cast<double>(framesDone) / seconds : 0.0;
  std::string frames = std::to_string(framesDone);
  if (total_ > 0) frames += "/" + std::to_string(total_);
  std::fprintf(stderr, "\rtessaro: %s frames, %.1f fps   ", frames.c_str(), fps);
  std::fflush(stderr);
  printed_ = true;
}

void Progress::Finish() {
  if (!enabled_) return;
  Print(done_);
  std::fputc('\n', stderr);
  enabled_ = false;
}

}  // namespace tessaro::tools
