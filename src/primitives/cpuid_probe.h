// The one seam through which detection reaches CPUID and XGETBV.
#pragma once

#include <cstdint>

namespace tessaro {

struct CpuidRegs {
  std::uint32_t eax, ebx, ecx, edx;
};

class CpuidProbe {
 public:
  virtual ~CpuidProbe() = default;
  // False when the processor has no CPUID instruction (EFLAGS.ID does not toggle).
  virtual bool HasCpuid() const = 0;
  virtual CpuidRegs Cpuid(std::uint32_t leaf, std::uint32_t subleaf) const = 0;
  // Low 32 bits of extended control register xcr.
  virtual std::uint32_t Xgetbv(std::uint32_t xcr) const = 0;
};

// The processor this code runs on.
const CpuidProbe& HardwareCpuidProbe();

}  // namespace tessaro
