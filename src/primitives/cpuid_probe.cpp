#include "primitives/cpuid_probe.h"

#include <cpuid.h>

namespace tessaro {
namespace {

class HardwareProbe final : public CpuidProbe {
 public:
  bool HasCpuid() const override {
#if defined(__i386__)
    // CPUID exists when bit 21 (ID) of EFLAGS can be flipped.
    std::uint32_t before, after;
    __asm__ volatile(
        "pushfl\n\t"
        "pushfl\n\t"
        "popl %0\n\t"
        "movl %0, %1\n\t"
        "xorl $0x200000, %0\n\t"
        "pushl %0\n\t"
        "popfl\n\t"
        "pushfl\n\t"
        "popl %0\n\t"
        "popfl"
        : "=&r"(after), "=&r"(before)
        :
        : "cc");
    return ((before ^ after) & 0x200000u) != 0;
#else
    return true;  // every x86-64 processor has it
#endif
  }

  CpuidRegs Cpuid(std::uint32_t leaf, std::uint32_t subleaf) const override {
    CpuidRegs r{};
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
    return r;
  }

  std::uint32_t Xgetbv(std::uint32_t xcr) const override {
    std::uint32_t eax, edx;
    // Encoded by hand so that no file needs the XSAVE instruction-set flag.
    __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(eax), "=d"(edx) : "c"(xcr));
    return eax;
  }
};

}  // namespace

const CpuidProbe& HardwareCpuidProbe() {
  static const HardwareProbe probe;
  return probe;
}

}  // namespace tessaro
