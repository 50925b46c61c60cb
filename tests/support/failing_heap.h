// The test program's own heap behind the aligned allocator: it counts requests and fails the
// ones a test chooses. Linked into the test program, it replaces the library's heap.cpp.
#pragma once

#include <cstdint>

namespace tessaro::testing {

// Heap requests made so far by the aligned allocator, from any thread.
std::int64_t HeapRequests();

// While alive, the n-th request from now (n >= 1) fails, and with andLater every one after it.
class HeapFailure {
 public:
  explicit HeapFailure(std::int64_t n, bool andLater = false);
  ~HeapFailure();
  HeapFailure(const HeapFailure&) = delete;
  HeapFailure& operator=(const HeapFailure&) = delete;
};

}  // namespace tessaro::testing
