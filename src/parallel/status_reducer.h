// Collects failures from the rows of a parallel loop in row order.
#pragma once

#include <cstdint>
#include <vector>

#include "parallel/parallel.h"
#include "primitives/status.h"

namespace tessaro {

// One view of the ordered reduction: the failures appended by one chunk of rows, in
// order. Views merge left to right, so the merged sequence is the serial one.
class StatusReducer {
 public:
  void Append(Status status) noexcept;
  void Merge(StatusReducer&& right) noexcept;

  bool empty() const { return values_.empty() && !lost_; }
  // Every stored failure in row order.
  const std::vector<Status>& values() const { return values_; }
  // The first failure in row order, StatusOk when there was none.
  Status First() const;

 private:
  std::vector<Status> values_;
  // Memory ran out while appending: a failure happened that could not be stored.
  bool lost_ = false;
  Status lostStatus_ = StatusOk;
};

// Runs rowOp on every row in [0, rows) in parallel; every row is attempted. Returns the
// status of the lowest-numbered failing row, whatever order the rows ran in.
Status FirstFailingRow(std::int32_t rows, parallel::FunctionRef<Status(std::int32_t row)> rowOp,
                       std::int32_t grain = 1);

}  // namespace tessaro
