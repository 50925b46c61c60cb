#include "primitives/cpu.h"

#include <cstring>

#include "primitives/dispatch.h"

namespace tessaro {
namespace {

// CPUID leaf 1.
constexpr std::uint32_t kEdxMmx = 1u << 23;
constexpr std::uint32_t kEdxSse = 1u << 25;
constexpr std::uint32_t kEdxSse2 = 1u << 26;
constexpr std::uint32_t kEcxSse3 = 1u << 0;
constexpr std::uint32_t kEcxSsse3 = 1u << 9;
constexpr std::uint32_t kEcxFma = 1u << 12;
constexpr std::uint32_t kEcxSse41 = 1u << 19;
constexpr std::uint32_t kEcxSse42 = 1u << 20;
constexpr std::uint32_t kEcxMovbe = 1u << 22;
constexpr std::uint32_t kEcxOsxsave = 1u << 27;
constexpr std::uint32_t kEcxAvx = 1u << 28;
// CPUID leaf 7, sub-leaf 0, EBX.
constexpr std::uint32_t kEbxBmi1 = 1u << 3;
constexpr std::uint32_t kEbxAvx2 = 1u << 5;
constexpr std::uint32_t kEbxBmi2 = 1u << 8;
// XCR0: SSE and AVX register state saved by the operating system.
constexpr std::uint32_t kXcr0SseAvx = 0x6;

}  // namespace

std::int32_t ChooseCpuPath(CpuFeatureMask mask) {
  const auto has = [mask](CpuFeatureMask bits) { return (mask & bits) == bits; };
  if (has(CpuAvx | CpuAvxOsState)) return has(CpuAvx2Group) ? PathAvx2 : PathAvx;
  if (has(CpuSse41)) return PathSse41;
  if (has(CpuSsse3 | CpuMovbe)) return PathSsse3Movbe;
  if (has(CpuSsse3)) return PathSsse3;
  if (has(CpuSse2)) return PathSse2;
  return PathGeneric;
}

Status CpuDetector::GetCpuFeatures(CpuFeatureMask* mask) {
  if (featuresValid_.load(std::memory_order_acquire)) {
    if (mask == nullptr) return StatusNullPointer;
    *mask = features_.load(std::memory_order_relaxed);
    return StatusOk;
  }
  if (!probe_.HasCpuid()) return StatusNoCpuidWarning;
  if (mask == nullptr) return StatusNullPointer;

  const std::uint32_t maxLeaf = probe_.Cpuid(0, 0).eax;
  probe_.Cpuid(0x80000000u, 0);  // highest extended leaf; no bit read here depends on it
  const CpuidRegs l1 = probe_.Cpuid(1, 0);

  CpuFeatureMask m = 0;
  if (l1.edx & kEdxMmx) m |= CpuMmx;
  if (l1.edx & kEdxSse) m |= CpuSse;
  if (l1.edx & kEdxSse2) m |= CpuSse2;
  if (l1.ecx & kEcxSse3) m |= CpuSse3;
  if (l1.ecx & kEcxSsse3) m |= CpuSsse3;
  if (l1.ecx & kEcxMovbe) m |= CpuMovbe;
  if (l1.ecx & kEcxSse41) m |= CpuSse41;
  if (l1.ecx & kEcxSse42) m |= CpuSse42;
  if (l1.ecx & kEcxAvx) m |= CpuAvx;
  // XGETBV exists only when the operating system enabled XSAVE (OSXSAVE).
  if ((l1.ecx & (kEcxOsxsave | kEcxAvx)) == (kEcxOsxsave | kEcxAvx) &&
      (probe_.Xgetbv(0) & kXcr0SseAvx) == kXcr0SseAvx) {
    m |= CpuAvxOsState;
  }
  if (l1.ecx & kEcxFma) {
    constexpr std::uint32_t kGroup = kEbxAvx2 | kEbxBmi1 | kEbxBmi2;
    if (maxLeaf >= 7 && (probe_.Cpuid(7, 0).ebx & kGroup) == kGroup) m |= CpuAvx2Group;
  }

  features_.store(static_cast<std::uint32_t>(m), std::memory_order_relaxed);
  featuresValid_.store(true, std::memory_order_release);
  *mask = m;
  return StatusOk;
}

bool CpuDetector::IsGenuineIntel() const {
  const CpuidRegs l0 = probe_.Cpuid(0, 0);
  char vendor[12];
  std::memcpy(vendor + 0, &l0.ebx, 4);
  std::memcpy(vendor + 4, &l0.edx, 4);
  std::memcpy(vendor + 8, &l0.ecx, 4);
  return std::memcmp(vendor, "GenuineIntel", 12) == 0;
}

Status CpuDetector::Init(std::int32_t* path) {
  CpuFeatureMask mask = 0;
  *path = GetCpuFeatures(&mask) == StatusOk ? ChooseCpuPath(mask) : PathGeneric;
  if (!probe_.HasCpuid() || !IsGenuineIntel()) return StatusVendorWarning;
  return StatusOk;
}

namespace {

CpuDetector& ProcessDetector() {
  static CpuDetector detector(HardwareCpuidProbe());
  return detector;
}

}  // namespace

Status GetCpuFeatures(CpuFeatureMask* mask) {
  return ProcessDetector().GetCpuFeatures(mask);
}

Status InitPrimitives() {
  std::int32_t path = PathGeneric;
  const Status status = ProcessDetector().Init(&path);
  CpuPath.store(path, std::memory_order_relaxed);
  return status;
}

}  // namespace tessaro
