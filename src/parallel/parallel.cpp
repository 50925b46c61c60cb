// The only file that speaks OpenMP.
#include "parallel/parallel.h"

#include <omp.h>

#include <algorithm>
#include <atomic>

namespace tessaro::parallel {
namespace {

std::atomic<int> g_maxWorkers{0};

bool InsideTeam() {
  return omp_get_level() > 0;
}

// With LLVM's runtime (14), once a host thread that created explicit tasks for its team has
// exited, the team's next task allocations corrupt the runtime's heap: a plain program that
// does only that crashes every time. Host threads come and go, so with that runtime they
// create no explicit tasks: they run their share themselves, and workers still spawn.
#ifdef KMP_VERSION_MAJOR
constexpr bool kInitialThreadMaySpawn = false;
#else
constexpr bool kInitialThreadMaySpawn = true;
#endif

// True on the host thread that started the team (thread 0 at every level).
bool OnInitialThread() {
  for (int level = omp_get_level(); level > 0; --level) {
    if (omp_get_ancestor_thread_num(level) != 0) return false;
  }
  return true;
}

// Inside a team: may this thread hand work to the others as explicit tasks?
bool MaySpawn() {
  return kInitialThreadMaySpawn || !OnInitialThread();
}

}  // namespace

void SetMaxWorkers(int workers) {
  g_maxWorkers.store(std::max(0, workers));
}

int MaxWorkers() {
  const int set = g_maxWorkers.load();
  return set > 0 ? set : omp_get_max_threads();
}

ChunkPlan PlanChunks(std::int32_t count, std::int32_t grain, std::int32_t perWorker) {
  if (count < 1) return {count, 0};
  const std::int64_t wanted = static_cast<std::int64_t>(MaxWorkers()) * std::max(1, perWorker);
  const std::int64_t byGrain = std::max<std::int64_t>(1, count / std::max(1, grain));
  return {count, static_cast<std::int32_t>(std::min(byGrain, wanted))};
}

void ForEachChunk(const ChunkPlan& plan, ChunkBody body) {
  const std::int32_t chunks = plan.chunks;
  if (chunks < 1) return;
  if (chunks == 1) {
    body(0, 0, plan.count);
    return;
  }
  if (InsideTeam()) {
    if (!MaySpawn()) {
      // In index order on this thread; workers take the chunks of their own loops.
      for (std::int32_t c = 0; c < chunks; ++c) body(c, plan.Begin(c), plan.Begin(c + 1));
      return;
    }
    // Tasks for the team already running; taskloop waits for all of them.
    // An unsigned counter: clang compares it with taskloop's own unsigned trip count.
    const auto count = static_cast<std::uint32_t>(chunks);
#pragma omp taskloop grainsize(1) default(shared)
    for (std::uint32_t u = 0; u < count; ++u) {
      const auto c = static_cast<std::int32_t>(u);
      body(c, plan.Begin(c), plan.Begin(c + 1));
    }
    return;
  }
#pragma omp parallel for schedule(dynamic, 1) num_threads(MaxWorkers()) default(shared)
  for (std::int32_t c = 0; c < chunks; ++c) body(c, plan.Begin(c), plan.Begin(c + 1));
}

namespace {

// The tasks only reference the caller's frame, which outlives them: taskwait comes first.
void RunTasks(const Task* spawned, int count, const Task& last) {
  for (int i = 0; i < count; ++i) {
#pragma omp task default(shared) firstprivate(i)
    spawned[i]();
  }
  last();
#pragma omp taskwait
}

void InvokeAll(const Task* spawned, int count, const Task& last) {
  if (InsideTeam()) {
    if (MaySpawn()) {
      RunTasks(spawned, count, last);
    } else {
      for (int i = 0; i < count; ++i) spawned[i]();
      last();
    }
    return;
  }
  // A loop over the calls, not tasks: the calling thread is a host thread. Workers that run
  // out of calls wait at the loop's barrier, taking the tasks of loops nested in the others.
  const int calls = count + 1;
#pragma omp parallel for schedule(dynamic, 1) num_threads(MaxWorkers()) default(shared)
  for (int i = 0; i < calls; ++i) {
    if (i < count) {
      spawned[i]();
    } else {
      last();
    }
  }
}

}  // namespace

void Invoke(std::int64_t samples, Task first, Task second) {
  if (samples < kMinParallelSamples || MaxWorkers() < 2) {
    first();
    second();
    return;
  }
  InvokeAll(&first, 1, second);
}

void Invoke(std::int64_t samples, Task first, Task second, Task third) {
  if (samples < kMinParallelSamples || MaxWorkers() < 2) {
    first();
    second();
    third();
    return;
  }
  const Task spawned[2] = {first, second};
  InvokeAll(spawned, 2, third);
}

}  // namespace tessaro::parallel
