// A processor that answers CPUID and XGETBV from recorded registers, and the bits to record.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <utility>

#include "primitives/cpuid_probe.h"

namespace tessaro::testing {
namespace cpu {

// CPUID leaf 1 EDX.
constexpr std::uint32_t kMmx = 1u << 23, kSse = 1u << 25, kSse2 = 1u << 26;
// CPUID leaf 1 ECX.
constexpr std::uint32_t kSse3 = 1u << 0, kSsse3 = 1u << 9, kFma = 1u << 12, kSse41 = 1u << 19,
                        kSse42 = 1u << 20, kMovbe = 1u << 22, kOsxsave = 1u << 27, kAvx = 1u << 28;
// CPUID leaf 7 sub-leaf 0 EBX.
constexpr std::uint32_t kBmi1 = 1u << 3, kAvx2 = 1u << 5, kBmi2 = 1u << 8;
// XCR0 state components: x87, SSE, AVX.
constexpr std::uint32_t kXcrX87 = 1u << 0, kXcrSse = 1u << 1, kXcrAvx = 1u << 2;

constexpr std::uint32_t kEdxSse2Level = kMmx | kSse | kSse2;
constexpr std::uint32_t kEcxSse41Level = kSse3 | kSsse3 | kMovbe | kSse41 | kSse42;
constexpr std::uint32_t kEcxAvxLevel = kEcxSse41Level | kOsxsave | kAvx;
constexpr std::uint32_t kEbxAvx2Group = kAvx2 | kBmi1 | kBmi2;
constexpr std::uint32_t kXcrAll = kXcrX87 | kXcrSse | kXcrAvx;

}  // namespace cpu

// Unrecorded leaves read as zeros.
class FakeProbe final : public CpuidProbe {
 public:
  FakeProbe(std::uint32_t maxLeaf, const char* vendor = "GenuineIntel") {
    CpuidRegs l0{maxLeaf, 0, 0, 0};
    std::memcpy(&l0.ebx, vendor + 0, 4);
    std::memcpy(&l0.edx, vendor + 4, 4);
    std::memcpy(&l0.ecx, vendor + 8, 4);
    leaves[{0, 0}] = l0;
  }
  FakeProbe& Leaf1(std::uint32_t ecx, std::uint32_t edx) {
    leaves[{1, 0}] = {0, 0, ecx, edx};
    return *this;
  }
  FakeProbe& Leaf7(std::uint32_t ebx) {
    leaves[{7, 0}] = {0, ebx, 0, 0};
    return *this;
  }

  bool HasCpuid() const override { return hasCpuid; }
  CpuidRegs Cpuid(std::uint32_t leaf, std::uint32_t subleaf) const override {
    if (!hasCpuid) ADD_FAILURE() << "CPUID executed on a processor without it";
    ++cpuidCalls;
    return Recorded(leaf, subleaf);
  }
  std::uint32_t Xgetbv(std::uint32_t xcr) const override {
    // The instruction faults unless the operating system set OSXSAVE.
    if ((Recorded(1, 0).ecx & cpu::kOsxsave) == 0)
      ADD_FAILURE() << "XGETBV executed without OSXSAVE";
    ++xgetbvCalls;
    return xcr == 0 ? xcr0 : 0;
  }

  bool hasCpuid = true;
  std::uint32_t xcr0 = cpu::kXcrAll;
  std::map<std::pair<std::uint32_t, std::uint32_t>, CpuidRegs> leaves;
  mutable int cpuidCalls = 0;
  mutable int xgetbvCalls = 0;

 private:
  CpuidRegs Recorded(std::uint32_t leaf, std::uint32_t subleaf) const {
    const auto it = leaves.find({leaf, subleaf});
    return it == leaves.end() ? CpuidRegs{0, 0, 0, 0} : it->second;
  }
};

inline FakeProbe Avx2Processor(const char* vendor = "GenuineIntel") {
  using namespace cpu;
  FakeProbe p(0xD, vendor);
  p.Leaf1(kEcxAvxLevel | kFma, kEdxSse2Level).Leaf7(kEbxAvx2Group);
  return p;
}

}  // namespace tessaro::testing
