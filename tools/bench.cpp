#include "bench.h"

#include <chrono>
#include <cstdio>

#include "bench_cases.h"
#include "filter_chain.h"
#include "platform_io.h"

namespace tessaro::tools {
namespace {

using Clock = std::chrono::steady_clock;

// Each setting runs this long unless a frame count is given, and never fewer than 3 frames.
constexpr double kSecondsPerCase = 1.0;
constexpr std::int32_t kMinFrames = 3;

struct Timing {
  std::int32_t frames = 0;
  double seconds = 0.0;
};

// Frames until the count is reached, or the time budget when there is none.
template <typename Frame>
Timing TimeFrames(std::int32_t frames, Frame frame) {
  Timing t;
  while (frames > 0 ? t.frames < frames : (t.frames < kMinFrames || t.seconds < kSecondsPerCase)) {
    t.seconds += frame();
    ++t.frames;
  }
  return t;
}

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

void PrintRow(const char* label, const Timing& t) {
  const double ms = 1000.0 * t.seconds / t.frames;
  std::printf("%-24s %9.3f %10.1f %7d\n", label, ms, ms > 0.0 ? 1000.0 / ms : 0.0, t.frames);
}

}  // namespace

Failure RunBench(const CommandLine& line, HostSession* session) {
  const std::int32_t w = line.benchWidth, h = line.benchHeight;
  const YcImage scene = BenchScene(w, h);
  FrameBuffers buffers(w, h, 0);
  if (line.benchWorkers > 0) {
    std::printf("%d x %d, %d worker%s\n", w, h, line.benchWorkers,
                line.benchWorkers == 1 ? "" : "s");
  } else {
    std::printf("%d x %d, the module's default workers (%d processors)\n", w, h, ProcessorCount());
  }
  std::printf("%-24s %9s %10s %7s\n", "setting", "ms/frame", "frames/s", "frames");
  // Restoring the frame before each call is the copy every other row leaves out.
  PrintRow("restoring the frame", TimeFrames(line.benchFrames, [&] {
             const Clock::time_point start = Clock::now();
             buffers.Load(scene);
             return Seconds(start, Clock::now());
           }));
  for (const BenchCase& c : BenchCases()) {
    FilterChain chain;
    if (Failure f = FilterChain::Build(session, {FilterRequest{c.filter, c.settings}}, &chain)) {
      return f;
    }
    FilterStage& stage = chain.stage(0);
    buffers.Load(scene);
    stage.Process(buffers.info());  // the first frame pays for the workers' start-up
    PrintRow(c.label, TimeFrames(line.benchFrames, [&] {
               buffers.Load(scene);
               const Clock::time_point start = Clock::now();
               stage.Process(buffers.info());
               return Seconds(start, Clock::now());
             }));
  }
  return {};
}

}  // namespace tessaro::tools
