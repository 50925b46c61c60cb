// A channel's lookup as the vector kernels take it: bounds in the 16-bit range, reduced to the
// indices that samples of 16 bits can reach. Internal linkage: the kernels of every level
// include it, and a copy compiled for one level must never serve another.
#pragma once

#include <cstdint>

#include "pipeline/frame_map.h"

namespace tessaro {
namespace {

// One channel's lookup as v -> clamp(v, lo, hi) - sub. For a clamp, sub is 0 and that is the
// new sample; for a table, sub is lo and the difference, as an unsigned 16-bit number, is the
// index into `values` (null for a clamp). Every bound lies in the 16-bit range, so a sample of
// more bits (a lean matrix's) is saturated by the same clamp, as the primitive chain stores it
// before its lookup.
struct LookupBounds {
  const std::int16_t* values;
  std::int16_t lo, hi, sub;
  bool changes;  // false: the clamp spans the whole 16-bit range
};

inline LookupBounds Reduce(const SampleLookup& l) {
  const std::int64_t lo = l.lo, last = l.last;
  if (l.values == nullptr) {
    // The sample clamped into lo..lo + last and stored in 16 bits: a range entirely outside
    // the 16-bit one gives the same bound for every sample.
    if (lo > 32767)
      return {nullptr, static_cast<std::int16_t>(lo), static_cast<std::int16_t>(lo), 0, true};
    if (lo + last < -32768) {
      const auto end = static_cast<std::int16_t>(lo + last);
      return {nullptr, end, end, 0, true};
    }
    const std::int64_t a = lo < -32768 ? -32768 : lo;
    const std::int64_t b = lo + last > 32767 ? 32767 : lo + last;
    return {nullptr, static_cast<std::int16_t>(a), static_cast<std::int16_t>(b), 0,
            a > -32768 || b < 32767};
  }
  // The indices clamp(v - lo, 0, last) of samples v of 16 bits lie in first..final.
  const auto into = [&](std::int64_t k) { return k < 0 ? 0 : (k > last ? last : k); };
  const std::int64_t first = into(-32768 - lo), final = into(32767 - lo);
  if (first == final) return {l.values + first, -32768, -32768, -32768, true};
  const auto base = static_cast<std::int16_t>(lo + first);
  return {l.values + first, base, static_cast<std::int16_t>(lo + final), base, true};
}

}  // namespace
}  // namespace tessaro
