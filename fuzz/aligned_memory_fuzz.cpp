// The aligned allocator with any count, width and height, on every code path: null or a 64-byte
// aligned block of the promised size (every byte of it written here), released by either free.
#include <cstring>

#include "fuzz_input.h"
#include "primitives/aligned_memory.h"

using namespace tessaro;
using namespace tessaro::fuzz;

namespace {
// Valid requests larger than this are not made: the fuzzer's memory limit would stop the run.
constexpr std::int64_t kMaxBlock = 64 << 20;
// Beyond it every request must come back null without touching the heap.
constexpr std::int64_t kContractLimit = 2147483579;

void Use(void* block, std::int64_t bytes, bool rows) {
  TESSARO_FUZZ_CHECK(reinterpret_cast<std::uintptr_t>(block) % 64 == 0);
  std::memset(block, 0xa5, static_cast<std::size_t>(bytes));
  rows ? FreeRows(block) : FreeAligned(block);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  while (in.remaining() > 0) {
    const std::uint8_t kind = in.Byte() % 4;
    const bool otherFree = in.Bit();
    const std::int32_t a = in.Bit() ? in.Int32() : in.Dimension(5000);
    if (kind < 3) {
      const std::int64_t bytes = std::int64_t{a} * (kind == 2 ? 1 : 4);
      if (bytes > kMaxBlock && bytes <= kContractLimit) continue;
      ForEachPath([&](std::int32_t) {
        void* block = kind == 0   ? static_cast<void*>(AllocS32(a))
                      : kind == 1 ? static_cast<void*>(AllocF32(a))
                                  : static_cast<void*>(AllocU8(a));
        if (a <= 0 || bytes > kContractLimit) TESSARO_FUZZ_CHECK(block == nullptr);
        if (block != nullptr) Use(block, bytes, otherFree);
        if (block == nullptr) (otherFree ? FreeRows : FreeAligned)(nullptr);  // must do nothing
      });
      continue;
    }
    const std::int32_t height = in.Bit() ? in.Int32() : in.Dimension(50);
    const bool nullStep = (in.Byte() & 7) == 0;
    const std::int64_t rowBytes = (std::int64_t{a} * 4 + 63) & ~std::int64_t{63};
    // Rows beyond the limit on their own: the product is not formed.
    const std::int64_t bytes =
        a <= 0 || height <= 0
            ? 0
            : (rowBytes > kContractLimit ? kContractLimit + 1 : rowBytes * height);
    if (bytes > kMaxBlock && bytes <= kContractLimit) continue;
    ForEachPath([&](std::int32_t) {
      std::int32_t step = -12345;
      float* rows = AllocRowsF32(a, height, nullStep ? nullptr : &step);
      if (nullStep) {
        TESSARO_FUZZ_CHECK(rows == nullptr && step == -12345);
        return;
      }
      if (a <= 0 || height <= 0) TESSARO_FUZZ_CHECK(rows == nullptr && step == 0);
      if (rows == nullptr) return;
      TESSARO_FUZZ_CHECK(step == rowBytes && bytes <= kContractLimit);
      Use(rows, bytes, !otherFree);
    });
  }
  return 0;
}
