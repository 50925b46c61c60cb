#include "pipeline/frame_memory.h"

#include <algorithm>

#include "primitives/aligned_memory.h"

namespace tessaro::pipeline {
namespace {

constexpr std::int64_t kAlignment = kBlockAlignment;
// What one request of the module's allocator can hold.
constexpr std::int64_t kMaxRequest = 0x7FFFFFFF - 2 * kBlockAlignment;

std::int64_t Rounded(std::int64_t bytes) {
  return (bytes + kAlignment - 1) & ~(kAlignment - 1);
}

}  // namespace

void* AllocFrameBytes(std::int64_t bytes) {
  return bytes > 0 && bytes <= kMaxRequest ? AllocU8(static_cast<std::int32_t>(bytes)) : nullptr;
}

void FreeFrameBytes(void* block) {
  FreeAligned(block);
}

FrameMemory::~FrameMemory() {
  ReleaseSpills();
  FreeAligned(block_);
}

void FrameMemory::ReleaseSpills() {
  for (Spill* s = spills_.exchange(nullptr); s != nullptr;) {
    Spill* next = s->next;
    FreeAligned(s->block);
    FreeAligned(s);
    s = next;
  }
}

void FrameMemory::FinishFrame() {
  const std::int64_t needed = used_.exchange(0);
  ReleaseSpills();
  spilled_.store(0);
  if (needed <= capacity_) return;
  FreeAligned(block_);
  const std::int64_t grown = std::min(needed + needed / 2, kMaxRequest);
  block_ = static_cast<std::uint8_t*>(AllocFrameBytes(grown));
  capacity_ = block_ != nullptr ? grown : 0;
}

void* FrameMemory::Take(std::int64_t bytes) {
  if (bytes < 1 || bytes > kMaxRequest) return nullptr;
  const std::int64_t size = Rounded(bytes);
  // Counted even when the block is too small: the next frame's block holds it.
  const std::int64_t at = used_.fetch_add(size);
  if (at + size <= capacity_) return block_ + at;
  auto* spill = static_cast<Spill*>(AllocFrameBytes(sizeof(Spill)));
  void* block = AllocFrameBytes(bytes);
  if (spill == nullptr || block == nullptr) {
    FreeAligned(spill);
    FreeAligned(block);
    return nullptr;
  }
  spill->block = block;
  spill->next = spills_.load();
  while (!spills_.compare_exchange_weak(spill->next, spill)) {
  }
  spilled_.fetch_add(1);
  return block;
}

}  // namespace tessaro::pipeline
