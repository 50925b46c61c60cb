// Aligned blocks and float row images: what the entries refuse, and blocks through the entries
// and every slot.
#include "primitives/aligned_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::EntryAndSlots;

void* EntryS32(std::int32_t n) {
  return AllocS32(n);
}
void* EntryF32(std::int32_t n) {
  return AllocF32(n);
}
void* EntryU8(std::int32_t n) {
  return AllocU8(n);
}

struct CountedAlloc {
  const char* name;
  std::vector<testing::Path<AllocBlockFn>> paths;
  std::int32_t elementBytes;
};

std::vector<CountedAlloc> CountedAllocs() {
  return {{"AllocS32", EntryAndSlots(&EntryS32, slots::AllocS32), 4},
          {"AllocF32", EntryAndSlots(&EntryF32, slots::AllocF32), 4},
          {"AllocU8", EntryAndSlots(&EntryU8, slots::AllocU8), 1}};
}

// 64-byte aligned, the heap address W to W + 63 bytes below the block (W the pointer size),
// and every byte writable (the sanitizer reports a short block).
void ExpectUsableBlock(void* block, std::int64_t bytes) {
  ASSERT_NE(block, nullptr);
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  EXPECT_EQ(address % 64, 0u);
  std::uintptr_t heap;
  std::memcpy(&heap, static_cast<char*>(block) - sizeof heap, sizeof heap);
  EXPECT_GE(address - heap, sizeof(void*));
  EXPECT_LE(address - heap, sizeof(void*) + 63);
  std::memset(block, 0xA5, static_cast<std::size_t>(bytes));
}

TEST(AlignedMemoryTest, CountedBlocksAreAlignedAndReleasedByEitherFree) {
  const std::vector<testing::Path<FreeBlockFn>> frees[] = {
      EntryAndSlots(FreeAligned, slots::FreeAligned), EntryAndSlots(FreeRows, slots::FreeRows)};
  for (const CountedAlloc& alloc : CountedAllocs()) {
    for (std::size_t i = 0; i < alloc.paths.size(); ++i) {
      SCOPED_TRACE(std::string(alloc.name) + " " + alloc.paths[i].name);
      for (const std::int32_t n : {1, 15, 16, 17, 1000, 4097}) {
        void* block = alloc.paths[i].fn(n);
        ExpectUsableBlock(block, std::int64_t{n} * alloc.elementBytes);
        // A wrong heap word makes the sanitizer (or the heap) fail here.
        frees[n % 2][(i + n) % frees[0].size()].fn(block);
      }
    }
  }
}

// The entries refuse what no slot is given: non-positive counts and sizes, a missing step
// pointer, a null block.
TEST(AlignedMemoryEntryTest, NonPositiveRequestsGiveNullAndNullIsNotReleased) {
  for (const std::int32_t n : {0, -1, INT32_MIN}) {
    EXPECT_EQ(AllocS32(n), nullptr) << n;
    EXPECT_EQ(AllocF32(n), nullptr) << n;
    EXPECT_EQ(AllocU8(n), nullptr) << n;
  }
  struct Case {
    std::int32_t width, height;
  };
  for (const Case& c : {Case{0, 5}, Case{5, 0}, Case{-3, 2}, Case{2, INT32_MIN}}) {
    std::int32_t step = 12345;
    EXPECT_EQ(AllocRowsF32(c.width, c.height, &step), nullptr) << c.width << " x " << c.height;
    EXPECT_EQ(step, 0) << c.width << " x " << c.height;
  }
  EXPECT_EQ(AllocRowsF32(4, 4, nullptr), nullptr);
  EXPECT_EQ(AllocRowsF32(0, 4, nullptr), nullptr);
  FreeAligned(nullptr);
  FreeRows(nullptr);
}

// Sizes a signed 32-bit byte count cannot hold with the extra bytes: every slot refuses them.
TEST(AlignedMemoryTest, OversizeCountsGiveNull) {
  struct Case {
    std::int32_t n, elementBytes;
  };
  // clang-format off
  const Case cases[] = {
      {536'870'895, 4},    // 4 bytes more than a signed 32-bit size holds with the extra bytes
      {1'073'741'825, 4},  // 4 * n wraps to 4 in 32-bit arithmetic
      {INT32_MAX, 4},
      {2'147'483'580, 1}, {INT32_MAX, 1},
  };
  // clang-format on
  for (const CountedAlloc& alloc : CountedAllocs()) {
    for (const auto& [allocate, name] : alloc.paths) {
      for (const Case& c : cases) {
        if (c.elementBytes != alloc.elementBytes) continue;
        EXPECT_EQ(allocate(c.n), nullptr) << alloc.name << " " << name << " n " << c.n;
      }
    }
  }
}

TEST(AlignedMemoryTest, RowImages) {
  constexpr std::int32_t kUntouched = 12345;
  struct Case {
    std::int32_t width, height, step;
    bool allocated;
  };
  // clang-format off
  const Case cases[] = {
      {1, 1, 64, true}, {16, 3, 64, true}, {17, 2, 128, true}, {1000, 2, 4032, true},
      // The step is known before the heap is asked, so it is reported for a failed request.
      {16, 33'554'432, 64, false},  // 2 GiB
      {1, INT32_MAX, 64, false},    // height * step wraps in 32-bit arithmetic
      {536'870'896, 1, 2'147'483'584, false},
      // 4 * width + 63 does not fit: no row layout, step 0.
      {536'870'897, 1, 0, false}, {INT32_MAX, INT32_MAX, 0, false},
  };
  // clang-format on
  for (const auto& [allocate, name] : EntryAndSlots(AllocRowsF32, slots::AllocRowsF32)) {
    for (const Case& c : cases) {
      SCOPED_TRACE(name + " width " + std::to_string(c.width) + " height " +
                   std::to_string(c.height));
      std::int32_t step = kUntouched;
      float* rows = allocate(c.width, c.height, &step);
      EXPECT_EQ(step, c.step);
      if (c.allocated) {
        ExpectUsableBlock(rows, std::int64_t{c.height} * c.step);
      } else {
        EXPECT_EQ(rows, nullptr);
      }
      FreeRows(rows);
    }
  }
}

}  // namespace
}  // namespace tessaro
