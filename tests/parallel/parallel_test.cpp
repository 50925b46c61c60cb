#include "parallel/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

INSTANTIATE_TEST_SUITE_P(OneAndSeveral, Workers, ::testing::Values(1, 2, 4));

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
