// Memory a host keeps for one stream's frames, so that a live stream of frames of one size and
// format takes nothing from the heap after its first: what a frame's passes need comes from one
// block kept from frame to frame. A frame that needs more than the block holds takes the rest
// from the heap, and the block then grows to half as much again as that frame took. The
// buffers whose size depends on a frame's content (tables of its values) are taken at the
// largest size its format allows, so that frames of one stream take about the same. Without it
// (a null FrameMemory) every buffer comes from the module's allocator and goes back within its
// stage.
#pragma once

#include <atomic>
#include <cstdint>

namespace tessaro::pipeline {

class FrameMemory {
 public:
  FrameMemory() = default;
  ~FrameMemory();
  FrameMemory(const FrameMemory&) = delete;
  FrameMemory& operator=(const FrameMemory&) = delete;

  // The frame is done: everything taken for it is free again, and the block grows if the frame
  // took more than it held. Only while none of the frame's buffers is in use.
  void FinishFrame();
  // `bytes` for the rest of the frame, 64-byte aligned, from any thread; null when the heap
  // has no room for them.
  void* Take(std::int64_t bytes);

  // What the frame has taken so far, and how many of its buffers came from the heap.
  std::int64_t used() const { return used_.load(); }
  std::int64_t spilled() const { return spilled_.load(); }

 private:
  // A buffer from the heap, for a frame that needs more than the block.
  struct Spill {
    Spill* next;
    void* block;
  };
  void ReleaseSpills();

  std::uint8_t* block_ = nullptr;
  std::int64_t capacity_ = 0;
  std::atomic<std::int64_t> used_{0};
  std::atomic<std::int64_t> spilled_{0};
  std::atomic<Spill*> spills_{nullptr};
};

// count elements of T for one frame: from `memory` when the host keeps one, otherwise from the
// module's allocator, given back when the block goes. Null when memory is short.
template <typename T>
class FrameBlock {
 public:
  FrameBlock(FrameMemory* memory, std::int64_t count);
  ~FrameBlock();
  FrameBlock(const FrameBlock&) = delete;
  FrameBlock& operator=(const FrameBlock&) = delete;

  T* get() const { return data_; }
  T& operator[](std::int64_t i) const { return data_[i]; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  T* data_ = nullptr;
  bool kept_ = false;  // from the frame memory, which takes it back at the next frame
};

// The module's allocator, for FrameBlock.
void* AllocFrameBytes(std::int64_t bytes);
void FreeFrameBytes(void* block);

template <typename T>
FrameBlock<T>::FrameBlock(FrameMemory* memory, std::int64_t count) {
  const std::int64_t bytes = count * static_cast<std::int64_t>(sizeof(T));
  if (count < 1) return;
  kept_ = memory != nullptr;
  data_ = static_cast<T*>(kept_ ? memory->Take(bytes) : AllocFrameBytes(bytes));
}

template <typename T>
FrameBlock<T>::~FrameBlock() {
  if (!kept_) FreeFrameBytes(data_);
}

}  // namespace tessaro::pipeline
