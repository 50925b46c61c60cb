#include "support/failing_heap.h"

#include <atomic>
#include <cstdlib>

#include "primitives/heap.h"

namespace tessaro {
namespace {

std::atomic<std::int64_t> g_requests{0};
// Requests numbered from 1; 0 means none fails.
std::atomic<std::int64_t> g_failFrom{0};
std::atomic<std::int64_t> g_failTo{0};

}  // namespace

void* HeapAllocate(std::size_t bytes) {
  const std::int64_t n = g_requests.fetch_add(1) + 1;
  const std::int64_t from = g_failFrom.load();
  if (from != 0 && n >= from && n <= g_failTo.load()) return nullptr;
  return std::malloc(bytes);
}

void HeapRelease(void* block) {
  std::free(block);
}

namespace testing {

std::int64_t HeapRequests() {
  return g_requests.load();
}

HeapFailure::HeapFailure(std::int64_t n, bool andLater) {
  const std::int64_t first = g_requests.load() + n;
  g_failTo.store(andLater ? INT64_MAX : first);
  g_failFrom.store(first);
}

HeapFailure::~HeapFailure() {
  g_failFrom.store(0);
}

}  // namespace testing
}  // namespace tessaro
