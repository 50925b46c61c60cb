#include "bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_cases.h"
#include "filter_chain.h"
#include "frame_buffers.h"
#include "parallel/parallel.h"
#include "pipeline/phases.h"
#include "platform_io.h"

namespace tessaro::tools {
namespace {

using Clock = std::chrono::steady_clock;

// Each setting runs this long unless a frame count is given, and never fewer than 3 frames.
constexpr double kSecondsPerCase = 1.0;
constexpr std::size_t kMinFrames = 3;

// Seconds of every frame timed.
using Timing = std::vector<double>;

// Frames until the count is reached, or the time budget when there is none.
template <typename Frame>
Timing TimeFrames(std::int32_t frames, Frame frame) {
  Timing t;
  double total = 0.0;
  while (frames > 0 ? static_cast<std::int32_t>(t.size()) < frames
                    : (t.size() < kMinFrames || total < kSecondsPerCase)) {
    t.push_back(frame());
    total += t.back();
  }
  return t;
}

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// The median frame: a frame that another program on the machine delayed does not count.
void PrintRow(const char* label, Timing t) {
  std::sort(t.begin(), t.end());
  const std::size_t n = t.size();
  const double ms = 500.0 * (t[(n - 1) / 2] + t[n / 2]);
  std::printf("%-24s %9.3f %10.1f %7zu\n", label, ms, ms > 0.0 ? 1000.0 / ms : 0.0, n);
}

// One frame's time, how much of it each phase of the pipeline took, and how much of it lay in
// loops handed to the workers.
struct PhasedFrame {
  double total = 0.0;
  double phase[pipeline::kPhaseCount] = {};
  double inLoops = 0.0;
};

// The observers have no context of their own: frames run one at a time, on this thread.
PhasedFrame* g_frame = nullptr;
Clock::time_point g_phaseStart[pipeline::kPhaseCount];
Clock::time_point g_loopStart;

void ObserveLoop(bool begins) {
  const Clock::time_point now = Clock::now();
  if (begins) {
    g_loopStart = now;
  } else if (g_frame != nullptr) {
    g_frame->inLoops += Seconds(g_loopStart, now);
  }
}

void ObservePhase(pipeline::Phase phase, bool begins) {
  const Clock::time_point now = Clock::now();
  const auto i = static_cast<std::size_t>(phase);
  if (begins) {
    g_phaseStart[i] = now;
  } else if (g_frame != nullptr) {
    g_frame->phase[i] += Seconds(g_phaseStart[i], now);
  }
}

// The phases of the median frame, which add up to its time with the rest; and its serial
// time, outside the workers' loops.
void PrintPhases(const char* label, std::vector<PhasedFrame> frames) {
  std::sort(frames.begin(), frames.end(),
            [](const PhasedFrame& a, const PhasedFrame& b) { return a.total < b.total; });
  const PhasedFrame& f = frames[(frames.size() - 1) / 2];
  double rest = f.total;
  std::printf("%-24s %9.3f", label, 1000.0 * f.total);
  for (double t : f.phase) {
    std::printf(" %9.3f", 1000.0 * t);
    rest -= t;
  }
  std::printf(" %9.3f %9.3f\n", 1000.0 * rest, 1000.0 * (f.total - f.inLoops));
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
    std::printf("%d x %d, the default workers (%d processors)\n", w, h, ProcessorCount());
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
    stage.Process(buffers.picture());  // the first frame pays for the workers' start-up
    PrintRow(c.label, TimeFrames(line.benchFrames, [&] {
               buffers.Load(scene);
               const Clock::time_point start = Clock::now();
               stage.Process(buffers.picture());
               return Seconds(start, Clock::now());
             }));
  }

  // A module tells a host nothing of its phases; the same filters built into this program
  // report them to an observer.
  HostSession linked;
  std::printf(
      "\nwhere the time goes (ms, the median frame of the same filters built into tessaro)\n");
  std::printf("%-24s %9s %9s %9s %9s %9s %9s\n", "setting", "frame", "measure", "tables", "map",
              "rest", "serial");
  pipeline::SetPhaseObserver(ObservePhase);
  parallel::SetRegionObserver(ObserveLoop);
  for (const BenchCase& c : BenchCases()) {
    FilterChain chain;
    if (Failure f = FilterChain::Build(&linked, {FilterRequest{c.filter, c.settings}}, &chain)) {
      pipeline::SetPhaseObserver(nullptr);
      parallel::SetRegionObserver(nullptr);
      return f;
    }
    FilterStage& stage = chain.stage(0);
    buffers.Load(scene);
    stage.Process(buffers.picture());
    std::vector<PhasedFrame> frames;
    TimeFrames(line.benchFrames, [&] {
      buffers.Load(scene);
      PhasedFrame frame;
      g_frame = &frame;
      const Clock::time_point start = Clock::now();
      stage.Process(buffers.picture());
      frame.total = Seconds(start, Clock::now());
      g_frame = nullptr;
      frames.push_back(frame);
      return frame.total;
    });
    PrintPhases(c.label, frames);
  }
  pipeline::SetPhaseObserver(nullptr);
  parallel::SetRegionObserver(nullptr);
  return {};
}

}  // namespace tessaro::tools
