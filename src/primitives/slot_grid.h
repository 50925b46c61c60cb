// How a grid of slot tables is written: one row per primitive or kernel, one column per
// CpuPath, each column naming the instruction set whose file holds the code. A set that brings
// nothing for a row names the one below. Every row climbs: no slot runs a lower instruction set
// than the slot before it, nor one above its own.
#pragma once

#include <type_traits>

#include "primitives/cpu.h"
#include "primitives/dispatch.h"

namespace tessaro::slots::grid {

// Rank of each instruction set among the slots: the lowest CpuPath whose processors have it.
namespace isa {
constexpr int generic = PathGeneric;
constexpr int sse2 = PathSse2;
constexpr int ssse3 = PathSsse3;
constexpr int sse41 = PathSse41;
constexpr int avx = PathAvx;
constexpr int avx2 = PathAvx2;
}  // namespace isa

constexpr bool Climbs(const int (&sets)[kPathCount]) {
  for (int slot = 0; slot < kPathCount; ++slot) {
    if (sets[slot] > slot || (slot > 0 && sets[slot] < sets[slot - 1])) return false;
  }
  return true;
}

}  // namespace tessaro::slots::grid

// TABLE's seven slots run IMPL of the instruction sets named; the row must climb.
#define TESSARO_SLOTS_OF(TABLE, IMPL, L0, L1, L2, L3, L4, L5, L6)                      \
  const SlotTable<std::remove_pointer_t<decltype(&L0::IMPL)>> TABLE = {                \
      L0::IMPL, L1::IMPL, L2::IMPL, L3::IMPL, L4::IMPL, L5::IMPL, L6::IMPL};           \
  static_assert(::tessaro::slots::grid::Climbs(                                        \
                    {::tessaro::slots::grid::isa::L0, ::tessaro::slots::grid::isa::L1, \
                     ::tessaro::slots::grid::isa::L2, ::tessaro::slots::grid::isa::L3, \
                     ::tessaro::slots::grid::isa::L4, ::tessaro::slots::grid::isa::L5, \
                     ::tessaro::slots::grid::isa::L6}),                                \
                #TABLE " must climb")
#define TESSARO_SLOTS(NAME, L0, L1, L2, L3, L4, L5, L6) \
  TESSARO_SLOTS_OF(NAME, NAME, L0, L1, L2, L3, L4, L5, L6)
