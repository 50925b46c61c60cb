// The module's worker pool: a team of threads started on first use, which spin briefly for
// new work and then sleep on a doorbell. A loop publishes a region (its chunks, claimed one
// at a time from a counter); its caller runs chunks too, then, while workers finish the
// last ones, runs chunks of other regions, which is how loops nested in a chunk (or in the
// calls of Invoke) share the team instead of starting one of their own.
#include "parallel/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "parallel/platform.h"

namespace tessaro::parallel {
namespace {

// How long an idle worker looks for new work before it sleeps: longer than the gaps between
// a frame's passes, short against the time between an editor's frames.
constexpr auto kSpin = std::chrono::microseconds(200);

struct Region {
  const ChunkPlan* plan;
  const ChunkBody* body;
  std::atomic<std::int32_t> next{0};  // the next chunk to claim
  std::atomic<std::int32_t> done{0};  // chunks finished
  std::int32_t visitors = 0;          // helpers inside; under the pool's list lock
  std::atomic<std::int32_t> left{0};  // helpers that have left
  Region* later = nullptr;            // the region published before this one
};

// A lock for the short list operations: spins, since Win32's lock under mingw-w64 sleeps on
// a kernel object.
class ListLock {
 public:
  void lock() {
    while (held_.exchange(true, std::memory_order_acquire)) {
      while (held_.load(std::memory_order_relaxed)) Relax();
    }
  }
  void unlock() { held_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> held_{false};
};

int WorkersFromEnvironment() {
  // As OpenMP reads it, which hosts, benchmarks and tests already use: the first number of
  // OMP_NUM_THREADS, else one worker per processor.
  if (const char* value = std::getenv("OMP_NUM_THREADS")) {
    char* end = nullptr;
    const long n = std::strtol(value, &end, 10);
    if (end != value && n > 0) return static_cast<int>(std::min<long>(n, 1024));
  }
  const unsigned processors = std::thread::hardware_concurrency();
  return processors > 0 ? static_cast<int>(processors) : 1;
}

std::atomic<int> g_maxWorkers{0};
std::atomic<RegionObserver> g_regionObserver{nullptr};

// True while this thread runs chunks of some region: a loop it starts then is nested.
// In the static TLS block on ELF systems: a shared object's dynamic TLS would need the
// dynamic loader's __tls_get_addr, and LeakSanitizer (GCC 12, glibc 2.36) crashes walking it
// in threads of a loaded module.
#ifdef __ELF__
[[gnu::tls_model("initial-exec")]]
#endif
thread_local bool t_inRegion = false;

// Tells the observer about an outermost region for the lifetime of the object.
class ObservedRegion {
 public:
  ObservedRegion() : observer_(t_inRegion ? nullptr : g_regionObserver.load()) {
    t_inRegion = true;
    if (observer_ != nullptr) observer_(true);
  }
  ~ObservedRegion() {
    if (observer_ != nullptr) observer_(false);
    t_inRegion = outer_;
  }
  ObservedRegion(const ObservedRegion&) = delete;
  ObservedRegion& operator=(const ObservedRegion&) = delete;

 private:
  bool outer_ = t_inRegion;
  RegionObserver observer_;
};

class Pool {
 public:
  // Never destroyed: workers may be parked when the process ends.
  static Pool& Get() {
    static Pool* pool = new Pool;
    return *pool;
  }

  void Run(const ChunkPlan& plan, const ChunkBody& body) {
    const int helpers = StartWorkers(MaxWorkers() - 1);
    if (helpers < 1) {
      for (std::int32_t c = 0; c < plan.chunks; ++c) body(c, plan.Begin(c), plan.Begin(c + 1));
      return;
    }
    Region region;
    region.plan = &plan;
    region.body = &body;
    {
      const std::lock_guard<ListLock> hold(lock_);
      region.later = newest_;
      newest_ = &region;
    }
    bell_.Ring();
    RunChunks(region);
    // Chunks still running elsewhere: lend a hand to other regions meanwhile.
    while (region.done.load(std::memory_order_acquire) < plan.chunks) {
      if (!HelpOnce(kAnyWorker)) Relax();
    }
    std::int32_t visitors;
    {
      const std::lock_guard<ListLock> hold(lock_);
      Region** link = &newest_;
      while (*link != &region) link = &(*link)->later;
      *link = region.later;
      visitors = region.visitors;
    }
    // A helper that found no chunk left still touches the region once more.
    while (region.left.load(std::memory_order_acquire) < visitors) Relax();
  }

 private:
  static constexpr int kAnyWorker = -1;

  int StartWorkers(int wanted) {
    if (wanted < 1) return 0;
    if (started_.load(std::memory_order_acquire) >= wanted) return wanted;
    const std::lock_guard<ListLock> hold(startLock_);
    int have = started_.load(std::memory_order_relaxed);
    if (have == 0) KeepModuleLoaded();
    for (; have < wanted; ++have) {
      try {
        std::thread(&Pool::Work, this, have).detach();
      } catch (...) {
        break;  // fewer workers than asked for: the work still gets done
      }
      started_.store(have + 1, std::memory_order_release);
    }
    return have;
  }

  static void RunChunks(Region& region) {
    const ChunkPlan& plan = *region.plan;
    for (;;) {
      const std::int32_t c = region.next.fetch_add(1, std::memory_order_relaxed);
      if (c >= plan.chunks) return;
      (*region.body)(c, plan.Begin(c), plan.Begin(c + 1));
      region.done.fetch_add(1, std::memory_order_release);
    }
  }

  // Runs chunks of the newest region that has some left; false when none has.
  bool HelpOnce(int worker) {
    Region* region = nullptr;
    {
      const std::lock_guard<ListLock> hold(lock_);
      // A worker beyond the current worker count stays out.
      if (worker != kAnyWorker && worker >= MaxWorkers() - 1) return false;
      for (Region* r = newest_; r != nullptr; r = r->later) {
        if (r->next.load(std::memory_order_relaxed) < r->plan->chunks) {
          region = r;
          ++r->visitors;
          break;
        }
      }
    }
    if (region == nullptr) return false;
    const bool outer = t_inRegion;
    t_inRegion = true;
    RunChunks(*region);
    t_inRegion = outer;
    region->left.fetch_add(1, std::memory_order_release);
    return true;
  }

  [[noreturn]] void Work(int worker) {
    for (;;) {
      const std::uint32_t seen = bell_.Count();
      if (HelpOnce(worker)) continue;
      const auto until = std::chrono::steady_clock::now() + kSpin;
      while (bell_.Count() == seen && std::chrono::steady_clock::now() < until) Relax();
      if (bell_.Count() == seen) bell_.SleepWhile(seen);
    }
  }

  ListLock lock_;
  Region* newest_ = nullptr;
  Doorbell bell_;
  ListLock startLock_;
  std::atomic<int> started_{0};
};

}  // namespace

void SetMaxWorkers(int workers) {
  g_maxWorkers.store(std::max(0, workers));
}

void SetRegionObserver(RegionObserver observer) {
  g_regionObserver.store(observer);
}

int MaxWorkers() {
  static const int fromEnvironment = WorkersFromEnvironment();
  const int set = g_maxWorkers.load();
  return set > 0 ? set : fromEnvironment;
}

ChunkPlan PlanChunks(std::int32_t count, std::int32_t grain, std::int32_t perWorker) {
  if (count < 1) return {count, 0};
  const std::int64_t wanted = static_cast<std::int64_t>(MaxWorkers()) * std::max(1, perWorker);
  const std::int64_t byGrain = std::max<std::int64_t>(1, count / std::max(1, grain));
  return {count, static_cast<std::int32_t>(std::min(byGrain, wanted))};
}

void ForEachChunk(const ChunkPlan& plan, ChunkBody body) {
  if (plan.chunks < 1) return;
  if (plan.chunks == 1) {
    body(0, 0, plan.count);
    return;
  }
  const ObservedRegion observed;
  Pool::Get().Run(plan, body);
}

namespace {

void InvokeAll(std::int64_t samples, const Task* calls, std::int32_t count) {
  if (samples < kMinParallelSamples || MaxWorkers() < 2) {
    for (std::int32_t i = 0; i < count; ++i) calls[i]();
    return;
  }
  ForEachChunk({count, count}, [&](std::int32_t c, std::int32_t, std::int32_t) { calls[c](); });
}

}  // namespace

void Invoke(std::int64_t samples, Task first, Task second) {
  const Task calls[2] = {first, second};
  InvokeAll(samples, calls, 2);
}

void Invoke(std::int64_t samples, Task first, Task second, Task third) {
  const Task calls[3] = {first, second, third};
  InvokeAll(samples, calls, 3);
}

}  // namespace tessaro::parallel
