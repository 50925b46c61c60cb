// Processor feature detection and the choice of the code path every primitive runs.
#pragma once

#include <atomic>
#include <cstdint>

#include "primitives/cpuid_probe.h"
#include "primitives/status.h"

namespace tessaro {

using CpuFeatureMask = std::uint64_t;

// Bits of the feature mask. SSE2, SSSE3, MOVBE, SSE4.1, AVX, its operating-system state and
// the AVX2 group decide the code path; MMX, SSE, SSE3 and SSE4.2 are only reported.
inline constexpr CpuFeatureMask CpuMmx = 0x1;
inline constexpr CpuFeatureMask CpuSse = 0x2;
inline constexpr CpuFeatureMask CpuSse2 = 0x4;
inline constexpr CpuFeatureMask CpuSse3 = 0x8;
inline constexpr CpuFeatureMask CpuSsse3 = 0x10;
inline constexpr CpuFeatureMask CpuMovbe = 0x20;
inline constexpr CpuFeatureMask CpuSse41 = 0x40;
inline constexpr CpuFeatureMask CpuSse42 = 0x80;
inline constexpr CpuFeatureMask CpuAvx = 0x100;
inline constexpr CpuFeatureMask CpuAvxOsState = 0x200;
inline constexpr CpuFeatureMask CpuAvx2Group = 0x8000;

// Code-path indices, 0..6.
enum CpuPathIndex : std::int32_t {
  PathGeneric = 0,
  PathSse2 = 1,
  PathSsse3 = 2,
  PathSsse3Movbe = 3,
  PathSse41 = 4,
  PathAvx = 5,
  PathAvx2 = 6,
};
inline constexpr int kPathCount = 7;

// Detection over any CPUID/XGETBV source, with its own cache. The process-wide
// functions below use one instance bound to the real processor; tests build
// their own over recorded processor answers.
class CpuDetector {
 public:
  explicit CpuDetector(const CpuidProbe& probe) : probe_(probe) {}

  Status GetCpuFeatures(CpuFeatureMask* mask);
  // Computes the path and the start-up result; stores the path in *path.
  Status Init(std::int32_t* path);

 private:
  bool IsGenuineIntel() const;

  // Racing first calls compute and store the same values, so plain atomics suffice.
  const CpuidProbe& probe_;
  std::atomic<bool> featuresValid_{false};
  std::atomic<std::uint32_t> features_{0};  // the mask's upper half is always 0
};

// Path chosen from a feature mask, first matching rule first.
std::int32_t ChooseCpuPath(CpuFeatureMask mask);

Status GetCpuFeatures(CpuFeatureMask* mask);
Status InitPrimitives();

}  // namespace tessaro
