// Alone in its object file so that a test's own definitions replace it whole at link time.
#include "primitives/heap.h"

#include <cstdlib>

namespace tessaro {

void* HeapAllocate(std::size_t bytes) {
  return std::malloc(bytes);
}

void HeapRelease(void* block) {
  std::free(block);
}

}  // namespace tessaro
