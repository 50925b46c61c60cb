// The process heap as the aligned allocator reaches it. heap.cpp forwards to the C runtime; a
// test program links its own definitions ahead of the library to make chosen requests fail.
#pragma once

#include <cstddef>

namespace tessaro {

void* HeapAllocate(std::size_t bytes);  // null when the heap is exhausted
void HeapRelease(void* block);

}  // namespace tessaro
