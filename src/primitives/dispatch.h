// The process-wide code path and the seven-slot tables behind every primitive entry.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "primitives/cpu.h"

namespace tessaro {

// Written only by InitPrimitives (all writers store the same value), read by every
// entry. Relaxed atomic: one plain load on x86, and no data race for checkers.
extern std::atomic<std::int32_t> CpuPath;

template <typename Fn>
using SlotTable = std::array<Fn*, kPathCount>;

template <typename Fn, typename... Args>
inline auto CallSlot(const SlotTable<Fn>& table, Args... args) {
  return table[static_cast<std::size_t>(CpuPath.load(std::memory_order_relaxed))](args...);
}

}  // namespace tessaro
