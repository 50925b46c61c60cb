// Aligned blocks and float row images, through the entries and every slot.
#include "primitives/aligned_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "primitives/slots.h"

namespace tessaro {
namespace {

// The public entry, then the seven slots.
template <typename Fn>
std::vector<Fn*> EveryPath(Fn* entry, const SlotTable<Fn>& table) {
  std::vector<Fn*> fns{entry};
  fns.insert(fns.end(), table.begin(), table.end());
  return fns;
}

std::string PathName(std::size_t i) {
  return i == 0 ? "entry" : "slot " + std::to_string(i - 1);
}

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
  std::vector<AllocBlockFn*> paths;
  std::int32_t elementBytes;
};

std::vector<CountedAlloc> CountedAllocs() {
  return {{"AllocS32", EveryPath(&EntryS32, slots::AllocS32), 4},
          {"AllocF32", EveryPath(&EntryF32, slots::AllocF32), 4},
          {"AllocU8", EveryPath(&EntryU8, slots::AllocU8), 1}};
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
  const std::vector<FreeBlockFn*> frees[] = {EveryPath(FreeAligned, slots::FreeAligned),
                                             EveryPath(FreeRows, slots::FreeRows)};
  for (const CountedAlloc& alloc : CountedAllocs()) {
    for (std::size_t i = 0; i < alloc.paths.size(); ++i) {
      SCOPED_TRACE(std::string(alloc.name) + " " + PathName(i));
      for (const std::int32_t n : {1, 15, 16, 17, 1000, 4097}) {
        void* block = alloc.paths[i](n);
        ExpectUsableBlock(block, std::int64_t{n} * alloc.elementBytes);
        // A wrong heap word makes the sanitizer (or the heap) fail here.
        frees[n % 2][(i + n) % frees[0].size()](block);
      }
    }
  }
}

TEST(AlignedMemoryTest, NonPositiveAndOversizeCountsGiveNull) {
  struct Case {
    std::int32_t n, elementBytes;
  };
  // clang-format off
  const Case cases[] = {
      {0, 4}, {-1, 4}, {INT32_MIN, 4},
      {536'870'895, 4},    // 4 bytes more than a signed 32-bit size holds with the extra bytes
      {1'073'741'825, 4},  // 4 * n wraps to 4 in 32-bit arithmetic
      {INT32_MAX, 4},
      {0, 1}, {-1, 1}, {2'147'483'580, 1}, {INT32_MAX, 1},
  };
  // clang-format on
  for (const CountedAlloc& alloc : CountedAllocs()) {
    for (std::size_t i = 0; i < alloc.paths.size(); ++i) {
      for (const Case& c : cases) {
        if (c.elementBytes != alloc.elementBytes) continue;
        EXPECT_EQ(alloc.paths[i](c.n), nullptr) << alloc.name << " " << PathName(i) << " n " << c.n;
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
      {0, 5, 0, false}, {5, 0, 0, false}, {-3, 2, 0, false}, {2, INT32_MIN, 0, false},
      // The step is known before the heap is asked, so it is reported for a failed request.
      {16, 33'554'432, 64, false},  // 2 GiB
      {1, INT32_MAX, 64, false},    // height * step wraps in 32-bit arithmetic
      {536'870'896, 1, 2'147'483'584, false},
      // 4 * width + 63 does not fit: no row layout, step 0.
      {536'870'897, 1, 0, false}, {INT32_MAX, INT32_MAX, 0, false},
  };
  // clang-format on
  const auto paths = EveryPath(AllocRowsF32, slots::AllocRowsF32);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    for (const Case& c : cases) {
      SCOPED_TRACE(PathName(i) + " width " + std::to_string(c.width) + " height " +
                   std::to_string(c.height));
      std::int32_t step = kUntouched;
      float* rows = paths[i](c.width, c.height, &step);
      EXPECT_EQ(step, c.step);
      if (c.allocated) {
        ExpectUsableBlock(rows, std::int64_t{c.height} * c.step);
      } else {
        EXPECT_EQ(rows, nullptr);
      }
      FreeRows(rows);
    }
    EXPECT_EQ(paths[i](4, 4, nullptr), nullptr) << PathName(i);
  }
}

TEST(AlignedMemoryTest, FreeOfNullDoesNothing) {
  for (const auto& frees :
       {EveryPath(FreeAligned, slots::FreeAligned), EveryPath(FreeRows, slots::FreeRows)}) {
    for (FreeBlockFn* free : frees) free(nullptr);
  }
}

}  // namespace
}  // namespace tessaro
