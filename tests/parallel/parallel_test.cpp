#include "parallel/parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace tessaro::parallel {
namespace {

class Workers : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { SetMaxWorkers(GetParam()); }
  void TearDown() override { SetMaxWorkers(0); }
};

TEST_P(Workers, ParallelForCoversEveryIndexOnceBeforeReturning) {
  for (std::int32_t count : {-3, 0, 1, 2, 7, 64, 1000, 4321}) {
    std::vector<std::atomic<int>> hits(static_cast<std::size_t>(count > 0 ? count : 0));
    ParallelFor(count, [&](std::int32_t begin, std::int32_t end) {
      ASSERT_LE(0, begin);
      ASSERT_LT(begin, end);
      ASSERT_LE(end, count);
      for (std::int32_t i = begin; i < end; ++i) hits[static_cast<std::size_t>(i)]++;
    });
    for (std::size_t i = 0; i < hits.size(); ++i) ASSERT_EQ(hits[i].load(), 1) << count << " " << i;
  }
}

TEST_P(Workers, InvokeRunsEveryCallBeforeReturning) {
  std::atomic<int> a{0}, b{0}, c{0};
  Invoke(
      1 << 20, [&] { a = 1; }, [&] { b = 2; });
  EXPECT_EQ(a + b, 3);
  a = b = 0;
  Invoke(
      1 << 20,
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        a = 1;
      },
      [&] { b = 2; }, [&] { c = 3; });
  EXPECT_EQ(a + b + c, 6);
}

TEST_P(Workers, NestedLoopsInsideSpawnedCallsFinishWithinTheTeam) {
  constexpr std::int32_t kRows = 300;
  std::vector<std::atomic<int>> rows(3 * kRows);
  std::atomic<int> running{0}, peak{0};
  auto plane = [&](int p) {
    ParallelFor(kRows, [&](std::int32_t begin, std::int32_t end) {
      const int now = ++running;
      for (int seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
      }
      for (std::int32_t r = begin; r < end; ++r) rows[static_cast<std::size_t>(p * kRows + r)]++;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      --running;
    });
  };
  Invoke(
      1 << 20, [&] { plane(0); }, [&] { plane(1); }, [&] { plane(2); });
  for (auto& r : rows) ASSERT_EQ(r.load(), 1);
  // Nested work shares the workers instead of starting threads of its own.
  EXPECT_LE(peak.load(), MaxWorkers());
}

TEST_P(Workers, OrderedReductionKeepsSerialOrderWhenLaterChunksFinishFirst) {
  constexpr std::int32_t kCount = 200;
  auto values = ReduceOrdered<std::vector<int>>(
      kCount,
      [](std::vector<int>& view, std::int32_t begin, std::int32_t end) {
        // Early chunks finish last.
        std::this_thread::sleep_for(std::chrono::microseconds(50 * (kCount - begin) / 10));
        for (std::int32_t i = begin; i < end; ++i) {
          if (i % 7 == 3) view.push_back(i);
        }
      },
      [](std::vector<int>& left, std::vector<int>&& right) {
        left.insert(left.end(), right.begin(), right.end());
      });
  std::vector<int> expected;
  for (int i = 0; i < kCount; ++i) {
    if (i % 7 == 3) expected.push_back(i);
  }
  EXPECT_EQ(values, expected);
  EXPECT_TRUE((ReduceOrdered<std::vector<int>>(
                   0, [](std::vector<int>&, std::int32_t, std::int32_t) { FAIL(); },
                   [](std::vector<int>&, std::vector<int>&&) {}))
                  .empty());
}

// Host threads (an editor filtering several objects at once) each run their loops on the one
// team: every index once, nothing lost between them.
TEST_P(Workers, LoopsFromSeveralHostThreadsAtOnceEachCoverTheirRange) {
  constexpr int kHosts = 3;
  constexpr std::int32_t kCount = 2000;
  std::vector<std::vector<std::atomic<int>>> hits(kHosts);
  for (auto& h : hits) h = std::vector<std::atomic<int>>(kCount);
  std::vector<std::thread> hosts;
  for (int t = 0; t < kHosts; ++t) {
    hosts.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        ParallelFor(kCount, [&](std::int32_t begin, std::int32_t end) {
          for (std::int32_t i = begin; i < end; ++i) hits[t][static_cast<std::size_t>(i)]++;
        });
      }
    });
  }
  for (auto& h : hosts) h.join();
  for (int t = 0; t < kHosts; ++t) {
    for (std::int32_t i = 0; i < kCount; ++i) ASSERT_EQ(hits[t][static_cast<std::size_t>(i)], 20);
  }
}

// After the workers have gone to sleep, the next loop wakes them: its first chunk holds the
// caller until another thread has joined (or a generous time has passed).
TEST_P(Workers, SleepingWorkersWakeForTheNextLoop) {
  if (GetParam() < 2) GTEST_SKIP() << "one worker: nobody to wake";
  for (int round = 0; round < 3; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::mutex lock;
    std::set<std::thread::id> seen;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    ParallelFor(64, [&](std::int32_t, std::int32_t) {
      {
        const std::lock_guard<std::mutex> hold(lock);
        seen.insert(std::this_thread::get_id());
      }
      for (;;) {
        {
          const std::lock_guard<std::mutex> hold(lock);
          if (seen.size() >= 2) break;
        }
        if (std::chrono::steady_clock::now() > until) break;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    });
    EXPECT_GE(seen.size(), 2u) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(OneAndSeveral, Workers, ::testing::Values(1, 2, 4));

// Fewer workers than a team already started: the ones beyond the count stay out.
TEST(WorkerCount, LoweringTheCountKeepsTheExtraWorkersOut) {
  for (int workers : {4, 2, 1}) {
    SetMaxWorkers(workers);
    std::atomic<int> running{0}, peak{0};
    for (int round = 0; round < 5; ++round) {
      ParallelFor(64, [&](std::int32_t, std::int32_t) {
        const int now = ++running;
        for (int seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        --running;
      });
    }
    EXPECT_LE(peak.load(), workers);
  }
  SetMaxWorkers(0);
}

TEST(ChunkPlan, ChunksTileTheRangeInOrder) {
  for (std::int32_t count : {1, 5, 16, 1080, 2160}) {
    const ChunkPlan plan = PlanChunks(count);
    ASSERT_GE(plan.chunks, 1);
    ASSERT_LE(plan.chunks, count);
    EXPECT_EQ(plan.Begin(0), 0);
    EXPECT_EQ(plan.Begin(plan.chunks), count);
    for (std::int32_t c = 0; c < plan.chunks; ++c) EXPECT_LT(plan.Begin(c), plan.Begin(c + 1));
  }
}

}  // namespace
}  // namespace tessaro::parallel
