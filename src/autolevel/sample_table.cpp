#include "autolevel/sample_table.h"

#include "primitives/aligned_memory.h"

namespace tessaro {
SampleTable::~SampleTable() {
  FreeAligned(values_);
}

bool SampleTable::Build(std::int16_t lo, std::int16_t hi, RowStage stage) {
  FreeAligned(values_);
  values_ = nullptr;
  count_ = 0;
  if (hi < lo) return false;
  const std::int32_t count = hi - lo + 1;
  // One entry more than the range: the vector kernels read entries in pairs.
  auto* values = reinterpret_cast<std::int16_t*>(AllocU8(2 * (count + 1)));
  if (values == nullptr) return false;
  for (std::int32_t i = 0; i < count; ++i) values[i] = static_cast<std::int16_t>(lo + i);
  stage(values, 2 * count, count);
  values[count] = values[count - 1];
  identity_ = true;
  for (std::int32_t i = 0; i < count && identity_; ++i) identity_ = values[i] == lo + i;
  lo_ = lo;
  count_ = count;
  values_ = values;
  return true;
}

bool ChannelTables::Build(const std::int16_t mins[3], const std::int16_t maxs[3],
                          const bool levelled[3], ChannelStage stage) {
  for (int c = 0; c < 3; ++c) {
    if (!levelled[c]) continue;
    if (!tables_[c].Build(mins[c], maxs[c],
                          [&](std::int16_t* row, std::int32_t step, std::int32_t n) {
                            stage(c, row, step, n);
                          })) {
      return false;
    }
    lookups_[c] = tables_[c].lookup();
    values_ += tables_[c].size();
  }
  return true;
}

}  // namespace tessaro
