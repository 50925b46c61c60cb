// The process-wide code path, the seven-slot tables behind every primitive, and the call through
// a table that every entry ends with.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <type_traits>

#include "primitives/cpu.h"

namespace tessaro {

// Written only by InitPrimitives (all writers store the same value), read by every
// entry. Relaxed atomic: one plain load on x86, and no data race for checkers.
extern std::atomic<std::int32_t> CpuPath;

template <typename Fn>
using SlotTable = std::array<Fn*, kPathCount>;

// One load of CpuPath and a call through that slot, the arguments passed on untouched. An entry
// calls it once its argument checks have passed.
template <typename Fn, typename... Args>
inline auto CallSlot(const SlotTable<Fn>& table, Args... args) {
  return table[static_cast<std::size_t>(CpuPath.load(std::memory_order_relaxed))](args...);
}

}  // namespace tessaro
