// Detection over recorded processor answers, and the process-wide start-up and dispatch.
#include "primitives/cpu.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "primitives/dispatch.h"
#include "primitives/statistics.h"
#include "support/fake_cpu.h"

namespace tessaro {
namespace {

using namespace testing::cpu;
using testing::Avx2Processor;
using testing::FakeProbe;

TEST(CpuDetection, PathFollowsFirstMatchingRule) {
  struct Case {
    const char* name;
    std::uint32_t maxLeaf, edx1, ecx1, ebx7, xcr0;
    std::int32_t path;
  };
  const Case cases[] = {
      {"no features", 7, 0, 0, 0, kXcrAll, 0},
      {"SSE without SSE2", 7, kMmx | kSse, kSse3, 0, kXcrAll, 0},
      {"SSE2 only", 7, kSse2, 0, 0, kXcrAll, 1},
      {"MOVBE without SSSE3", 7, kEdxSse2Level, kSse3 | kMovbe, 0, kXcrAll, 1},
      {"SSSE3 without MOVBE", 7, kEdxSse2Level, kSse3 | kSsse3, 0, kXcrAll, 2},
      {"SSSE3 and MOVBE", 7, kEdxSse2Level, kSse3 | kSsse3 | kMovbe, 0, kXcrAll, 3},
      {"SSE4.1 with MOVBE", 7, kEdxSse2Level, kEcxSse41Level, 0, kXcrAll, 4},
      {"SSE4.1 without SSSE3", 7, kEdxSse2Level, kSse41, 0, kXcrAll, 4},
      {"AVX with OS state", 7, kEdxSse2Level, kEcxAvxLevel, 0, kXcrAll, 5},
      {"AVX2 group", 7, kEdxSse2Level, kEcxAvxLevel | kFma, kEbxAvx2Group, kXcrAll, 6},
      {"XCR0 lacks AVX state", 7, kEdxSse2Level, kEcxAvxLevel | kFma, kEbxAvx2Group,
       kXcrX87 | kXcrSse, 4},
      {"XCR0 lacks SSE state", 7, kEdxSse2Level, kEcxAvxLevel | kFma, kEbxAvx2Group,
       kXcrX87 | kXcrAvx, 4},
      {"OSXSAVE clear", 7, kEdxSse2Level, (kEcxAvxLevel | kFma) & ~kOsxsave, kEbxAvx2Group, kXcrAll,
       4},
      {"OSXSAVE without AVX", 7, kEdxSse2Level, kEcxSse41Level | kOsxsave, 0, kXcrAll, 4},
      {"AVX unusable below SSE4.1", 7, kEdxSse2Level, kSse3 | kSsse3 | kMovbe | kAvx, 0, kXcrAll,
       3},
      {"no FMA", 7, kEdxSse2Level, kEcxAvxLevel, kEbxAvx2Group, kXcrAll, 5},
      {"no AVX2", 7, kEdxSse2Level, kEcxAvxLevel | kFma, kBmi1 | kBmi2, kXcrAll, 5},
      {"no BMI1", 7, kEdxSse2Level, kEcxAvxLevel | kFma, kAvx2 | kBmi2, kXcrAll, 5},
      {"no BMI2", 7, kEdxSse2Level, kEcxAvxLevel | kFma, kAvx2 | kBmi1, kXcrAll, 5},
      {"highest leaf 6", 6, kEdxSse2Level, kEcxAvxLevel | kFma, kEbxAvx2Group, kXcrAll, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProbe p(c.maxLeaf);
    p.Leaf1(c.ecx1, c.edx1).Leaf7(c.ebx7).xcr0 = c.xcr0;
    CpuDetector detector(p);
    std::int32_t path = -1;
    EXPECT_EQ(detector.Init(&path), StatusOk);
    EXPECT_EQ(path, c.path);
    if ((c.ecx1 & kOsxsave) == 0) {
      EXPECT_EQ(p.xgetbvCalls, 0);
    }
  }
}

TEST(CpuDetection, MaskBitsComeFromTheirCpuidBits) {
  constexpr CpuFeatureMask kPathBits =
      0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80 | 0x100 | 0x200 | 0x8000;
  struct Case {
    const char* name;
    std::uint32_t edx1, ecx1, ebx7, xcr0;
    CpuFeatureMask bits;
  };
  const Case cases[] = {
      {"MMX", kMmx, 0, 0, kXcrAll, 0x1},
      {"SSE", kSse, 0, 0, kXcrAll, 0x2},
      {"SSE2", kSse2, 0, 0, kXcrAll, 0x4},
      {"SSE3", 0, kSse3, 0, kXcrAll, 0x8},
      {"SSSE3", 0, kSsse3, 0, kXcrAll, 0x10},
      {"MOVBE", 0, kMovbe, 0, kXcrAll, 0x20},
      {"SSE4.1", 0, kSse41, 0, kXcrAll, 0x40},
      {"SSE4.2", 0, kSse42, 0, kXcrAll, 0x80},
      {"AVX without OSXSAVE", 0, kAvx, 0, kXcrAll, 0x100},
      {"AVX with OS state", 0, kAvx | kOsxsave, 0, kXcrSse | kXcrAvx, 0x300},
      {"AVX2 group", 0, kFma, kEbxAvx2Group, kXcrAll, 0x8000},
      {"FMA alone", 0, kFma, 0, kXcrAll, 0},
      {"every bit", ~0u, ~0u, ~0u, ~0u, kPathBits},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProbe p(7);
    p.Leaf1(c.ecx1, c.edx1).Leaf7(c.ebx7).xcr0 = c.xcr0;
    CpuDetector detector(p);
    CpuFeatureMask mask = 0;
    ASSERT_EQ(detector.GetCpuFeatures(&mask), StatusOk);
    EXPECT_EQ(mask & kPathBits, c.bits);
    EXPECT_EQ(mask >> 32, 0u);
  }
}

TEST(CpuDetection, VendorDecidesOnlyTheResult) {
  const struct {
    const char* vendor;
    Status status;
  } cases[] = {
      {"GenuineIntel", StatusOk},
      {"OtherVendor!", StatusVendorWarning},
      // Read in EBX, ECX, EDX order this would spell the accepted name.
      {"GenuntelineI", StatusVendorWarning},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.vendor);
    FakeProbe p = Avx2Processor(c.vendor);
    CpuDetector detector(p);
    std::int32_t path = -1;
    EXPECT_EQ(detector.Init(&path), c.status);
    EXPECT_EQ(path, PathAvx2);
  }
}

TEST(CpuDetection, NoCpuidRunsGenericCodeAndExecutesNothing) {
  FakeProbe p = Avx2Processor();
  p.hasCpuid = false;
  CpuDetector detector(p);
  std::int32_t path = -1;
  EXPECT_EQ(detector.Init(&path), StatusVendorWarning);
  EXPECT_EQ(path, PathGeneric);
  CpuFeatureMask mask = 0x1234;
  EXPECT_EQ(detector.GetCpuFeatures(&mask), StatusNoCpuidWarning);
  EXPECT_EQ(mask, 0x1234u);
  EXPECT_EQ(detector.GetCpuFeatures(nullptr), StatusNoCpuidWarning);
  EXPECT_EQ(p.xgetbvCalls, 0);
}

TEST(CpuDetection, NullPointerWithCpuid) {
  FakeProbe p = Avx2Processor();
  CpuDetector detector(p);
  EXPECT_EQ(detector.GetCpuFeatures(nullptr), StatusNullPointer);
  CpuFeatureMask mask = 0;
  ASSERT_EQ(detector.GetCpuFeatures(&mask), StatusOk);
  EXPECT_EQ(detector.GetCpuFeatures(nullptr), StatusNullPointer);  // cached, still checked
}

TEST(CpuDetection, QueriesAreCachedAndInitRepeats) {
  FakeProbe p = Avx2Processor();
  CpuDetector detector(p);

  CpuFeatureMask first = 0, second = 0;
  ASSERT_EQ(detector.GetCpuFeatures(&first), StatusOk);
  p.cpuidCalls = p.xgetbvCalls = 0;
  EXPECT_EQ(detector.GetCpuFeatures(&second), StatusOk);
  EXPECT_EQ(second, first);
  EXPECT_EQ(p.cpuidCalls, 0);
  EXPECT_EQ(p.xgetbvCalls, 0);

  std::int32_t path1 = -1, path2 = -1;
  const Status init1 = detector.Init(&path1);
  EXPECT_EQ(detector.Init(&path2), init1);
  EXPECT_EQ(path2, path1);
  EXPECT_EQ(path1, PathAvx2);
}

// Read during static initialisation, before any test can run InitPrimitives.
const std::int32_t gCpuPathAtLoad = CpuPath.load();

TEST(CpuDispatch, PathIsGenericAtLoadAndInitPrimitivesRepeats) {
  EXPECT_EQ(gCpuPathAtLoad, PathGeneric);
  const Status first = InitPrimitives();
  const std::int32_t path = CpuPath.load();
  EXPECT_TRUE(first == StatusOk || first == StatusVendorWarning) << first;
  EXPECT_EQ(InitPrimitives(), first);
  EXPECT_EQ(CpuPath.load(), path);
  CpuFeatureMask mask = 0;
  ASSERT_EQ(GetCpuFeatures(&mask), StatusOk);
  EXPECT_EQ(path, ChooseCpuPath(mask));
}

TEST(CpuDispatch, PrimitiveBeforeInitPrimitivesMatchesAfter) {
  // Two rows of two pixels, the step padded by one pixel.
  const std::int16_t image[] = {10, -20, 4096, -2048, 300, 7, 99, 99, 99,
                                0,  5,   -5,   4000,  -7,  8, 99, 99, 99};
  const auto run = [&](std::int16_t mins[3], std::int16_t maxs[3]) {
    constexpr std::int32_t kStep = 9 * 2;
    return MinMaxS16C3(image, kStep, ImageSize{2, 2}, mins, maxs);
  };
  const std::int32_t saved = CpuPath.load();
  CpuPath.store(PathGeneric);  // as at module load
  std::int16_t minsBefore[3] = {1, 1, 1}, maxsBefore[3] = {1, 1, 1};
  const Status before = run(minsBefore, maxsBefore);
  InitPrimitives();
  std::int16_t minsAfter[3] = {1, 1, 1}, maxsAfter[3] = {1, 1, 1};
  EXPECT_EQ(run(minsAfter, maxsAfter), before);
  CpuPath.store(saved);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(minsAfter[c], minsBefore[c]) << c;
    EXPECT_EQ(maxsAfter[c], maxsBefore[c]) << c;
  }
}

}  // namespace
}  // namespace tessaro
