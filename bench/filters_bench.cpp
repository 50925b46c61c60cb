// Both filters through their processing callbacks, as the editor calls them, for the settings
// `tessaro bench` reports, at 720p, 1080p and 2160p with 1 and 2 workers, on every code path
// this processor runs; one iteration is one frame, timed without restoring it. CopyFrame, the
// frame copied row-parallel by the same workers, is the floor.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bench_cases.h"
#include "bench_util.h"
#include "frame_buffers.h"
#include "host/filters.h"
#include "module_stage.h"
#include "parallel/parallel.h"
#include "primitives/dispatch.h"

namespace tessaro::bench {
namespace {

using Clock = std::chrono::steady_clock;

FilterDescriptor* FindFilter(const char* name) {
  for (FilterDescriptor** f = FilterList(); *f != nullptr; ++f) {
    if (std::strcmp((*f)->name, name) == 0) return *f;
  }
  return nullptr;
}

void RunFilter(benchmark::State& state, const tools::BenchCase& c) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  parallel::SetMaxWorkers(static_cast<int>(state.range(2)));
  FilterDescriptor* filter = FindFilter(c.filter);
  filter->init(filter);
  // After the start-up callback, which chooses this processor's own path.
  const std::int32_t path = CpuPath.load();
  CpuPath.store(static_cast<std::int32_t>(state.range(3)));
  tools::ModuleStage stage(*tools::FindFilter(c.filter), filter, nullptr);
  for (const tools::Setting& s : c.settings) {
    const tools::Failure f = s.kind == tools::Setting::kCheck ? stage.SetCheck(s.name, s.value)
                                                              : stage.SetTrack(s.name, s.value);
    if (f) state.SkipWithError(f.message.c_str());
  }
  const tools::YcImage scene = tools::BenchScene(w, h);
  tools::FrameBuffers buffers(w, h, 0);
  for (auto _ : state) {
    // Every frame starts from the original, as a video does; only the callback is timed.
    buffers.Load(scene);
    const Clock::time_point start = Clock::now();
    benchmark::DoNotOptimize(stage.Process(buffers.picture()));
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  filter->trackValues = nullptr;
  filter->checkValues = nullptr;
  CpuPath.store(path);
  parallel::SetMaxWorkers(0);
}

// One read and one write of the frame, rows shared out by the module's own parallel loop.
void CopyFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  parallel::SetMaxWorkers(static_cast<int>(state.range(2)));
  const std::size_t row = static_cast<std::size_t>(w) * 6;
  std::vector<std::uint8_t> src(row * h, 1), dst(row * h);
  for (auto _ : state) {
    parallel::ParallelFor(
        h,
        [&](std::int32_t begin, std::int32_t end) {
          std::memcpy(dst.data() + row * begin, src.data() + row * begin, row * (end - begin));
        },
        parallel::RowGrain(3 * static_cast<std::int64_t>(w)));
    benchmark::ClobberMemory();
  }
  parallel::SetMaxWorkers(0);
}

struct FrameSize {
  int w, h;
};
constexpr FrameSize kSizes[] = {{1280, 720}, {1920, 1080}, {3840, 2160}};

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "threads"});
  for (int threads : {1, 2}) {
    for (const auto& [w, h] : kSizes) b->Args({w, h, threads});
  }
}

// Every size on every code path of this processor, the slot last.
void SizesAndSlots(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "threads", "slot"});
  for (int threads : {1, 2}) {
    for (const auto& [w, h] : kSizes) {
      for (std::int32_t slot = 0; slot <= HighestRunnableSlot(); ++slot) {
        b->Args({w, h, threads, slot});
      }
    }
  }
}

const bool kRegistered = [] {
  for (const tools::BenchCase& c : tools::BenchCases()) {
    auto* b =
        benchmark::RegisterBenchmark(c.label, [&c](benchmark::State& st) { RunFilter(st, c); });
    b->Apply(SizesAndSlots)->Unit(benchmark::kMillisecond)->UseManualTime();
  }
  benchmark::RegisterBenchmark("CopyFrame", CopyFrame)
      ->Apply(Sizes)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
