#include "primitives/cpu.h"

#include <cstring>
#include <iterator>

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

// Leaf-2 cache descriptors of data and unified caches, largest first.
struct CacheDescriptor {
  std::uint8_t code;
  std::int32_t bytes;
};
constexpr std::int32_t KiB = 1024;
constexpr std::int32_t MiB = 1024 * KiB;
constexpr CacheDescriptor kLeaf2Caches[] = {
    {0xEC, 24 * MiB},   {0xEB, 18 * MiB},  {0x4D, 16 * MiB},  {0x4C, 12 * MiB},  {0xEA, 12 * MiB},
    {0x47, 8 * MiB},    {0x4B, 8 * MiB},   {0xE4, 8 * MiB},   {0x4A, 6 * MiB},   {0x4E, 6 * MiB},
    {0xDE, 6 * MiB},    {0x29, 4 * MiB},   {0x46, 4 * MiB},   {0x49, 4 * MiB},   {0xD8, 4 * MiB},
    {0xE3, 4 * MiB},    {0x48, 3 * MiB},   {0xDD, 3 * MiB},   {0x25, 2 * MiB},   {0x45, 2 * MiB},
    {0x7D, 2 * MiB},    {0x85, 2 * MiB},   {0xD2, 2 * MiB},   {0xD7, 2 * MiB},   {0xE2, 2 * MiB},
    {0xDC, 1536 * KiB}, {0x23, 1 * MiB},   {0x24, 1 * MiB},   {0x44, 1 * MiB},   {0x78, 1 * MiB},
    {0x7C, 1 * MiB},    {0x84, 1 * MiB},   {0x87, 1 * MiB},   {0xD1, 1 * MiB},   {0xD6, 1 * MiB},
    {0x22, 512 * KiB},  {0x43, 512 * KiB}, {0x7B, 512 * KiB}, {0x7F, 512 * KiB}, {0x80, 512 * KiB},
    {0x83, 512 * KiB},  {0x86, 512 * KiB}, {0xD0, 512 * KiB}, {0x21, 256 * KiB}, {0x42, 256 * KiB},
    {0x7A, 256 * KiB},  {0x82, 256 * KiB}, {0x1D, 128 * KiB}, {0x41, 128 * KiB}, {0x79, 128 * KiB},
    {0x2C, 32 * KiB},   {0x68, 32 * KiB},  {0x0E, 24 * KiB},  {0x0C, 16 * KiB},  {0x0D, 16 * KiB},
    {0x60, 16 * KiB},   {0x67, 16 * KiB},  {0x0A, 8 * KiB},   {0x66, 8 * KiB},
};

Status CacheSizeFromLeaf4(const CpuidProbe& probe, std::int32_t* size) {
  std::uint64_t largest = 0;
  for (std::uint32_t i = 0; i < 32; ++i) {
    const CpuidRegs r = probe.Cpuid(4, i);
    const std::uint32_t type = r.eax & 0x1F;
    if (type == 0) break;
    if (type == 2) continue;  // instruction cache
    const std::uint64_t ways = (r.ebx >> 22) + 1;
    const std::uint64_t partitions = ((r.ebx >> 12) & 0x3FF) + 1;
    const std::uint64_t line = (r.ebx & 0xFFF) + 1;
    // The other three factors multiply to at most 2^32; holding sets to 2^31 keeps the
    // product from wrapping, and 2^31 sets already exceed the cap below.
    const std::uint64_t sets = (r.ecx < 0x7FFFFFFFu ? r.ecx : 0x7FFFFFFFu) + std::uint64_t{1};
    const std::uint64_t bytes = ways * partitions * line * sets;
    if (bytes > largest) largest = bytes;
  }
  if (largest == 0) return StatusCacheSizeWarning;
  // No real cache comes near; a nonsensical answer is capped rather than wrapped.
  *size = largest > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(largest);
  return StatusOk;
}

Status CacheSizeFromLeaf2(const CpuidProbe& probe, std::int32_t* size) {
  const CpuidRegs r = probe.Cpuid(2, 0);
  if ((r.eax & 0xFF) != 1) return StatusCacheSizeWarning;
  std::uint8_t bytes[16];
  int n = 0;
  for (std::uint32_t reg : {r.eax, r.ebx, r.ecx, r.edx}) {
    if (reg & 0x80000000u) continue;  // register holds no descriptors
    for (int b = 0; b < 4; ++b) bytes[n++] = static_cast<std::uint8_t>(reg >> (8 * b));
  }
  // The first byte of EAX is the iteration count, not a descriptor.
  const int first = (r.eax & 0x80000000u) ? 0 : 1;
  for (const CacheDescriptor& d : kLeaf2Caches) {
    for (int i = first; i < n; ++i) {
      if (bytes[i] == d.code) {
        *size = d.bytes;
        return StatusOk;
      }
    }
  }
  return StatusCacheSizeWarning;
}

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

Status CpuDetector::GetLargestCacheSize(std::int32_t* size) {
  if (size == nullptr) return StatusNullPointer;
  if (!cacheValid_.load(std::memory_order_acquire)) {
    std::int32_t bytes = 0;
    Status status = StatusNoCpuidWarning;
    if (probe_.HasCpuid() && IsGenuineIntel()) {
      const std::uint32_t maxLeaf = probe_.Cpuid(0, 0).eax;
      if (maxLeaf >= 4) {
        status = CacheSizeFromLeaf4(probe_, &bytes);
      } else if (maxLeaf >= 2) {
        status = CacheSizeFromLeaf2(probe_, &bytes);
      }
    }
    cacheStatus_.store(status, std::memory_order_relaxed);
    cacheSize_.store(status == StatusOk ? bytes : 0, std::memory_order_relaxed);
    cacheValid_.store(true, std::memory_order_release);
  }
  *size = cacheSize_.load(std::memory_order_relaxed);
  return cacheStatus_.load(std::memory_order_relaxed);
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

Status GetLargestCacheSize(std::int32_t* size) {
  return ProcessDetector().GetLargestCacheSize(size);
}

}  // namespace tessaro
