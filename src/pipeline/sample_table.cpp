#include "pipeline/sample_table.h"

#include "pipeline/frame_memory.h"
#include "pipeline/frame_pipeline.h"
#include "pipeline/phases.h"
#include "primitives/aligned_memory.h"

namespace tessaro::pipeline {

SampleTable::~SampleTable() {
  if (memory_ == nullptr) FreeAligned(values_);
}

bool SampleTable::Allocate(std::int16_t lo, std::int16_t hi) {
  if (memory_ == nullptr) FreeAligned(values_);
  values_ = nullptr;
  count_ = rows_ = 0;
  if (hi < lo) return false;
  const std::int32_t count = hi - lo + 1;
  const std::int32_t rows = (count + kValuesPerRow - 1) / kValuesPerRow;
  // In frame memory a table takes what the widest range would, whatever the frame holds.
  const std::int64_t bytes =
      2 * (memory_ != nullptr ? std::int64_t{65536} : std::int64_t{rows} * kValuesPerRow);
  auto* values = static_cast<std::int16_t*>(memory_ != nullptr ? memory_->Take(bytes)
                                                               : AllocFrameBytes(bytes));
  if (values == nullptr) return false;
  for (std::int32_t i = 0; i < rows * kValuesPerRow; ++i) {
    values[i] = static_cast<std::int16_t>(i < count ? lo + i : hi);
  }
  lo_ = lo;
  count_ = count;
  rows_ = rows;
  values_ = values;
  return true;
}

void SampleTable::Finish() {
  identity_ = true;
  for (std::int32_t i = 0; i < count_ && identity_; ++i) identity_ = values_[i] == lo_ + i;
}

bool SampleTable::Build(std::int16_t lo, std::int16_t hi, PlaneStage stage) {
  if (!Allocate(lo, hi)) return false;
  stage(values_, 2 * kValuesPerRow, kValuesPerRow, rows_);
  Finish();
  return true;
}

std::int64_t TableRanges::Values() const {
  std::int64_t values = 0;
  for (int c = 0; c < 3; ++c) {
    if (levelled[c]) values += std::int64_t{hi[c]} - lo[c] + 1;
  }
  return values;
}

bool ChannelTables::Build(const TableRanges& ranges, ChannelStage stage, const int sameAs[3]) {
  const PhaseScope phase(Phase::kTables);
  bool own[3];
  std::int32_t firstRow[4] = {0, 0, 0, 0};  // of each channel's table among all rows
  for (int c = 0; c < 3; ++c) {
    own[c] = ranges.levelled[c] && (sameAs == nullptr || sameAs[c] < 0);
    if (own[c] && !tables_[c].Allocate(ranges.lo[c], ranges.hi[c])) return false;
    firstRow[c + 1] = firstRow[c] + (own[c] ? tables_[c].rows() : 0);
  }
  constexpr std::int32_t kWidth = SampleTable::kValuesPerRow;
  parallel::ParallelFor(
      firstRow[3],
      [&](std::int32_t begin, std::int32_t end) {
        for (int c = 0; c < 3; ++c) {
          const std::int32_t from = begin > firstRow[c] ? begin : firstRow[c];
          const std::int32_t to = end < firstRow[c + 1] ? end : firstRow[c + 1];
          if (from < to)
            stage(c, tables_[c].Row(from - firstRow[c]), 2 * kWidth, kWidth, to - from);
        }
      },
      parallel::RowGrain(kWidth * kValueCost));
  for (int c = 0; c < 3; ++c) {
    if (own[c]) tables_[c].Finish();
  }
  for (int c = 0; c < 3; ++c) {
    if (!ranges.levelled[c]) continue;
    lookups_[c] = (own[c] ? tables_[c] : tables_[sameAs[c]]).lookup();
  }
  return true;
}

}  // namespace tessaro::pipeline
