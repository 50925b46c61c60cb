// The parallel layer: every parallel construct of the module goes through here.
//  - ParallelFor: a loop over [0, count) in chunks; the calling thread takes part.
//  - Invoke: spawn two or three calls and wait for all of them (spawn and sync).
//  - ReduceOrdered: per-chunk views merged in serial (index) order after the loop.
// Loops nested inside a spawned call or a loop body share the running team of
// workers instead of starting a new one, so nesting never oversubscribes the machine.
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace tessaro::parallel {

// A non-owning reference to a callable; cheap to pass through the non-template core.
template <typename Signature>
class FunctionRef;

template <typename R, typename... Args>
class FunctionRef<R(Args...)> {
 public:
  template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, FunctionRef>>>
  FunctionRef(F&& f) noexcept  // NOLINT: implicit by design
      : object_(const_cast<void*>(static_cast<const void*>(&f))),
        call_([](void* o, Args... args) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(o))(std::forward<Args>(args)...);
        }) {}

  R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

 private:
  void* object_;
  R (*call_)(void*, Args...);
};

using RangeBody = FunctionRef<void(std::int32_t begin, std::int32_t end)>;
using ChunkBody = FunctionRef<void(std::int32_t chunk, std::int32_t begin, std::int32_t end)>;
using Task = FunctionRef<void()>;

// How [0, count) is cut: chunk i covers [Begin(i), Begin(i + 1)).
struct ChunkPlan {
  std::int32_t count;
  std::int32_t chunks;
  std::int32_t Begin(std::int32_t chunk) const {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(count) * chunk / chunks);
  }
};
// A few chunks per worker balance uneven rows without much scheduling overhead.
inline constexpr std::int32_t kChunksPerWorker = 8;
// The one way [0, count) is cut into chunks: as many as the workers can use (perWorker each),
// but none with fewer than `grain` indices unless the whole range has fewer.
ChunkPlan PlanChunks(std::int32_t count, std::int32_t grain = 1,
                     std::int32_t perWorker = kChunksPerWorker);

// Below this many samples a parallel region costs more than it saves.
inline constexpr std::int64_t kMinParallelSamples = 16384;
// Rows per chunk for rows of the given number of samples, so that a chunk holds at least
// minSamples.
inline std::int32_t RowGrain(std::int64_t samplesPerRow,
                             std::int64_t minSamples = kMinParallelSamples) {
  if (samplesPerRow >= minSamples) return 1;
  return static_cast<std::int32_t>(minSamples / (samplesPerRow > 0 ? samplesPerRow : 1));
}

// Runs body over every chunk of the plan, each once, and returns when all are done.
void ForEachChunk(const ChunkPlan& plan, ChunkBody body);

// Covers each index of [0, count) exactly once; nothing runs when count < 1.
inline void ParallelFor(std::int32_t count, RangeBody body, std::int32_t grain = 1) {
  if (count < 1) return;
  ForEachChunk(PlanChunks(count, grain),
               [&](std::int32_t, std::int32_t begin, std::int32_t end) { body(begin, end); });
}

// Runs the calls concurrently, the calling thread taking part, and waits for all; with
// fewer than kMinParallelSamples of work in all, one after another.
void Invoke(std::int64_t samples, Task first, Task second);
void Invoke(std::int64_t samples, Task first, Task second, Task third);

// Per-chunk views, each starting as View{}; body(view, begin, end) fills the view of its
// chunk; merge(left, right) folds right into left. The result is what a serial loop over
// 0, 1, 2, ... would have produced, whatever order the chunks ran in. The views of up to
// kInlineViews chunks (every loop of a machine of up to 32 workers) live on the stack, so that
// a live host's frames ask nothing of the heap here; more may throw what allocating them throws.
inline constexpr std::int32_t kInlineViews = 256;
template <typename View, typename Body, typename Merge>
View ReduceOrdered(std::int32_t count, Body&& body, Merge&& merge, std::int32_t grain = 1) {
  if (count < 1) return View{};
  const ChunkPlan plan = PlanChunks(count, grain);
  std::array<View, kInlineViews> inlineViews;
  std::vector<View> more;
  if (plan.chunks > kInlineViews) more.resize(static_cast<std::size_t>(plan.chunks));
  View* views = plan.chunks > kInlineViews ? more.data() : inlineViews.data();
  ForEachChunk(plan, [&](std::int32_t chunk, std::int32_t begin, std::int32_t end) {
    body(views[chunk], begin, end);
  });
  for (std::int32_t i = 1; i < plan.chunks; ++i) merge(views[0], std::move(views[i]));
  return std::move(views[0]);
}

// Workers for the module's parallel work; 0 restores the default, which is the first number
// of OMP_NUM_THREADS if set, else one per processor.
// For tests and benchmarks: the editor never sets it.
void SetMaxWorkers(int workers);
int MaxWorkers();

// For benchmarks: called when a loop of more than one chunk begins and when it ends, on the
// thread that runs it, for loops not nested in another. What lies outside these calls runs
// on one thread while any others wait. Unset, it costs a load per loop.
using RegionObserver = void (*)(bool begins);
void SetRegionObserver(RegionObserver observer);

}  // namespace tessaro::parallel
