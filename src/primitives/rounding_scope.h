// The processor's rounding control (MXCSR) set for the length of one primitive call. For the
// SIMD instruction-set files only; internal linkage, like rounding.h.
#pragma once

#include <xmmintrin.h>

namespace tessaro {
namespace {

// MXCSR rounding-control field (bits 13-14) and the two values the primitives need.
constexpr unsigned kRoundingField = 0x6000u;
constexpr unsigned kRoundNearest = 0x0000u;
constexpr unsigned kRoundTowardZero = 0x6000u;

// Sets the rounding control only when it differs, and puts the whole register back
// (flags included) only when it was changed.
class RoundingScope {
 public:
  explicit RoundingScope(unsigned rounding)
      : saved_(_mm_getcsr()), changed_((saved_ & kRoundingField) != rounding) {
    if (changed_) _mm_setcsr((saved_ & ~kRoundingField) | rounding);
  }
  ~RoundingScope() {
    if (changed_) _mm_setcsr(saved_);
  }
  RoundingScope(const RoundingScope&) = delete;
  RoundingScope& operator=(const RoundingScope&) = delete;

 private:
  unsigned saved_;
  bool changed_;
};

}  // namespace
}  // namespace tessaro
