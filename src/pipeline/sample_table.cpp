#include "pipeline/sample_table.h"

#include "pipeline/frame_pipeline.h"
#include "primitives/aligned_memory.h"

namespace tessaro::pipeline {

SampleTable::~SampleTable() {
  FreeAligned(values_);
}

bool SampleTable::Build(std::int16_t lo, std::int16_t hi, PlaneStage stage) {
  FreeAligned(values_);
  values_ = nullptr;
  count_ = 0;
  if (hi < lo) return false;
  const std::int32_t count = hi - lo + 1;
  // One entry more than the range: the vector kernels read entries in pairs.
  auto* values = reinterpret_cast<std::int16_t*>(AllocU8(2 * (count + 1)));
  if (values == nullptr) return false;
  for (std::int32_t i = 0; i < count; ++i) values[i] = static_cast<std::int16_t>(lo + i);
  stage(values, 2 * count, count, 1);
  values[count] = values[count - 1];
  identity_ = true;
  for (std::int32_t i = 0; i < count && identity_; ++i) identity_ = values[i] == lo + i;
  lo_ = lo;
  count_ = count;
  values_ = values;
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
  bool own[3];
  std::int64_t values = 0;
  for (int c = 0; c < 3; ++c) {
    own[c] = ranges.levelled[c] && (sameAs == nullptr || sameAs[c] < 0);
    if (own[c]) values += std::int64_t{ranges.hi[c]} - ranges.lo[c] + 1;
  }
  bool built[3] = {true, true, true};
  auto build = [&](int c) {
    if (!own[c]) return;
    built[c] = tables_[c].Build(ranges.lo[c], ranges.hi[c],
                                [&](std::int16_t* plane, std::int32_t step, std::int32_t width,
                                    std::int32_t height) { stage(c, plane, step, width, height); });
  };
  // A single table is built on this thread, without waking the workers.
  if (own[0] + own[1] + own[2] > 1) {
    parallel::Invoke(
        kValueCost * values, [&] { build(0); }, [&] { build(1); }, [&] { build(2); });
  } else {
    for (int c = 0; c < 3; ++c) build(c);
  }
  if (!built[0] || !built[1] || !built[2]) return false;
  for (int c = 0; c < 3; ++c) {
    if (!ranges.levelled[c]) continue;
    lookups_[c] = (own[c] ? tables_[c] : tables_[sameAs[c]]).lookup();
  }
  return true;
}

}  // namespace tessaro::pipeline
