#include "pipeline/status_reducer.h"

#include <new>

namespace tessaro {

void StatusReducer::Append(Status status) noexcept {
  if (lost_) return;  // an earlier failure of this chunk could not be kept; it comes first
  try {
    values_.push_back(status);
  } catch (const std::bad_alloc&) {
    lost_ = true;
    lostStatus_ = status;
  }
}

void StatusReducer::Merge(StatusReducer&& right) noexcept {
  if (lost_) return;  // this view already ends in a failure that could not be stored
  if (values_.empty()) {
    *this = std::move(right);
    return;
  }
  // Failures are rare: copying the right view's few values costs nothing.
  for (Status s : right.values_) Append(s);
  if (right.lost_ && !lost_) {
    lost_ = true;
    lostStatus_ = right.lostStatus_;
  }
}

Status StatusReducer::First() const {
  if (!values_.empty()) return values_.front();
  return lost_ ? lostStatus_ : StatusOk;
}

Status FirstFailing(std::int32_t count, parallel::FunctionRef<Status(std::int32_t index)> op,
                    std::int32_t grain) {
  if (count < 1) return StatusOk;
  try {
    const StatusReducer merged = parallel::ReduceOrdered<StatusReducer>(
        count,
        [&](StatusReducer& view, std::int32_t begin, std::int32_t end) {
          for (std::int32_t i = begin; i < end; ++i) {
            const Status s = op(i);
            if (s != StatusOk) view.Append(s);
          }
        },
        [](StatusReducer& left, StatusReducer&& right) { left.Merge(std::move(right)); }, grain);
    return merged.First();
  } catch (const std::bad_alloc&) {
    // No memory for the views: every index still runs, one after another.
    Status first = StatusOk;
    for (std::int32_t i = 0; i < count; ++i) {
      const Status s = op(i);
      if (first == StatusOk) first = s;
    }
    return first;
  }
}

}  // namespace tessaro
