// Collects failures from the chunks of a parallel loop in index order.
#pragma once

#include <cstdint>
#include <vector>

#include "parallel/parallel.h"
#include "primitives/status.h"

namespace tessaro {

// One view of the ordered reduction: the failures appended by one chunk, in order. Views merge
// left to right, so the merged sequence is the serial one.
class StatusReducer {
 public:
  void Append(Status status) noexcept;
  void Merge(StatusReducer&& right) noexcept;

  // The first failure in index order, StatusOk when there was none.
  Status First() const;

 private:
  std::vector<Status> values_;
  // Memory ran out while appending: a failure happened that could not be stored.
  bool lost_ = false;
  Status lostStatus_ = StatusOk;
};

// Runs op on every index in [0, count) in parallel; every index is attempted. Returns the
// status of the lowest-numbered failing index, whatever order they ran in.
Status FirstFailing(std::int32_t count, parallel::FunctionRef<Status(std::int32_t index)> op,
                    std::int32_t grain = 1);

}  // namespace tessaro
