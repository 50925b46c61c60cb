// Every way a test reaches a primitive: its public entry, then each of its seven slots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "primitives/slots.h"

namespace tessaro::testing {

// Only slot 0 when the case pins down generic-only behaviour.
template <typename Fn>
std::vector<Fn*> Paths(Fn* entry, const SlotTable<Fn>& table, bool genericOnly = false) {
  if (genericOnly) return {table[0]};
  std::vector<Fn*> fns{entry};
  fns.insert(fns.end(), table.begin(), table.end());
  return fns;
}

inline std::string PathName(std::size_t i, bool genericOnly = false) {
  return genericOnly ? "slot 0" : i == 0 ? "entry" : "slot " + std::to_string(i - 1);
}

constexpr std::int16_t kGuardSample = 0x5A5A;

// Rows of `samples` 16-bit samples, each followed by `pad` guard samples; `upward` stores
// the rows bottom-up behind a negative step.
struct GuardedRows {
  GuardedRows(int samples, int height, int pad, bool upward = false)
      : samples(samples),
        height(height),
        stride(samples + pad),
        buf(static_cast<std::size_t>(stride) * height, kGuardSample) {
    step = 2 * (upward ? -stride : stride);
    origin = upward ? static_cast<std::ptrdiff_t>(stride) * (height - 1) : 0;
  }
  std::int16_t* base() { return buf.data() + origin; }
  std::int16_t& at(int i, int y) { return base()[static_cast<std::ptrdiff_t>(y) * (step / 2) + i]; }
  bool GuardsIntact() {
    for (int y = 0; y < height; ++y) {
      for (int i = samples; i < stride; ++i) {
        if (at(i, y) != kGuardSample) return false;
      }
    }
    return true;
  }
  int samples, height, stride;
  std::vector<std::int16_t> buf;
  std::ptrdiff_t origin;
  std::int32_t step;
};

}  // namespace tessaro::testing
