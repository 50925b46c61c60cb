#include <gtest/gtest.h>

#include "host/expected_filters.h"
#include "host/filters.h"
#include "host/frame_callbacks.h"
#include "host/help.h"
#include "host/startup.h"
#include "pipeline/start.h"
#include "primitives/dispatch.h"
#include "support/fake_cpu.h"

namespace tessaro {
namespace {

TEST(FilterTable, ListsBothFiltersInOrderWithTheirControls) {
  FilterDescriptor** list = GetFilterTableList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list, GetFilterTableList());
  const auto& expected = ExpectedFilters();
  for (std::size_t f = 0; f < expected.size(); ++f) {
    const FilterDescriptor* d = list[f];
    ASSERT_NE(d, nullptr);
    ExpectDeclares(*d, expected[f]);
    EXPECT_EQ(d->init, &FilterInit);
    EXPECT_EQ(d->exit, nullptr);
    // Host-filled fields start empty.
    EXPECT_EQ(d->trackValues, nullptr);
    EXPECT_EQ(d->checkValues, nullptr);
    EXPECT_EQ(d->services, nullptr);
    EXPECT_EQ(d->windowWidth, 0);
    EXPECT_EQ(d->windowHeight, 0);
  }
  EXPECT_EQ(list[2], nullptr);

  EXPECT_EQ(list[0]->process, &AutoLevelProc);
  EXPECT_EQ(list[0]->update, nullptr);
  EXPECT_EQ(list[0]->windowProc, &AutoLevelWindowProc);
  EXPECT_EQ(list[1]->process, &LevelsProc);
  EXPECT_EQ(list[1]->update, &LevelsUpdate);
  EXPECT_EQ(list[1]->windowProc, &LevelsWindowProc);
}

TEST(FilterTable, StartUpSucceedsTwiceWithTheSameCodePath) {
  FilterDescriptor** list = GetFilterTableList();
  ASSERT_EQ(list[0]->init(list[0]), kTrue);
  const std::int32_t path = CpuPath.load();
  ASSERT_EQ(list[1]->init(list[1]), kTrue);
  EXPECT_EQ(CpuPath.load(), path);
}

// Recorded processors through the start-up callback's verdict, for a module built on SSE2
// (the 32-bit one) and for one built on nothing beyond the slots (x86-64, where SSE2 is
// always there).
TEST(FilterTable, StartUpRefusesProcessorsBelowTheModulesBaseline) {
  using namespace testing::cpu;
  struct Case {
    const char* name;
    testing::FakeProbe probe;
    bool onSse2Build;
  };
  testing::FakeProbe noCpuid = testing::Avx2Processor();
  noCpuid.hasCpuid = false;
  testing::FakeProbe sseOnly(2);  // MMX and SSE, no SSE2
  sseOnly.Leaf1(0, kMmx | kSse);
  testing::FakeProbe sse2(2);
  sse2.Leaf1(kSse3, kEdxSse2Level);
  const Case cases[] = {
      {"no CPUID", noCpuid, false},
      {"SSE without SSE2", sseOnly, false},
      {"SSE2", sse2, true},
      {"AVX2, another vendor", testing::Avx2Processor("OtherVendor!"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CpuDetector detector(c.probe);
    std::int32_t path = -1;
    const Status init = detector.Init(&path);
    CpuFeatureMask mask = 0;
    const Status features = detector.GetCpuFeatures(&mask);
    EXPECT_EQ(pipeline::StartVerdict(init, features, mask, CpuSse2), c.onSse2Build);
    EXPECT_TRUE(pipeline::StartVerdict(init, features, mask, 0));
  }
  // An error from the primitive layer refuses the start whatever the processor.
  EXPECT_FALSE(pipeline::StartVerdict(StatusNullPointer, StatusOk, CpuSse2, CpuSse2));
}

}  // namespace
}  // namespace tessaro
