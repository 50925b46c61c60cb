// The only file that speaks OpenMP.
#include "parallel/parallel.h"

#include <omp.h>

#include <algorithm>
#include <atomic>

namespace tessaro::parallel {
namespace {

std::atomic<int> g_maxWorkers{0};

// A few chunks per worker balance uneven rows without much scheduling overhead.
constexpr int kChunksPerWorker = 8;

bool InsideTeam() { return omp_get_level() > 0; }

}  // namespace

void SetMaxWorkers(int workers) { g_maxWorkers.store(std::max(0, workers)); }

int MaxWorkers() {
  const int set = g_maxWorkers.load();
  return set > 0 ? set : omp_get_max_threads();
}

ChunkPlan PlanChunks(std::int32_t count) {
  if (count < 1) return {count, 0};
  const std::int64_t wanted = static_cast<std::int64_t>(MaxWorkers()) * kChunksPerWorker;
  return {count, static_cast<std::int32_t>(std::min<std::int64_t>(count, wanted))};
}

void ForEachChunk(const ChunkPlan& plan, ChunkBody body) {
  const std::int32_t chunks = plan.chunks;
  if (chunks < 1) return;
  if (chunks == 1) {
    body(0, 0, plan.count);
    return;
  }
  if (InsideTeam()) {
    // Tasks for the team already running; taskloop waits for all of them.
#pragma omp taskloop grainsize(1) default(shared)
    for (std::int32_t c = 0; c < chunks; ++c) body(c, plan.Begin(c), plan.Begin(c + 1));
    return;
  }
#pragma omp parallel for schedule(dynamic, 1) num_threads(MaxWorkers()) default(shared)
  for (std::int32_t c = 0; c < chunks; ++c) body(c, plan.Begin(c), plan.Begin(c + 1));
}

namespace {

template <typename... Tasks>
void InvokeAll(Task last, Tasks... spawned) {
  auto run = [&] {
    (
        [&] {
#pragma omp task default(shared)
          spawned();
        }(),
        ...);
    last();
#pragma omp taskwait
  };
  if (InsideTeam()) {
    run();
    return;
  }
#pragma omp parallel num_threads(MaxWorkers()) default(shared)
#pragma omp single
  run();
}

}  // namespace

void Invoke(Task first, Task second) { InvokeAll(second, first); }
void Invoke(Task first, Task second, Task third) { InvokeAll(third, first, second); }

}  // namespace tessaro::parallel
