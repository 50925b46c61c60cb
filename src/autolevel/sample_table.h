// Stages whose output depends only on each sample's value, evaluated once per value: the
// very same stage runs over a one-row plane holding every value of a range, and frames are
// then mapped through the resulting table. Results are those of running the stage on the
// frame itself, bit for bit.
#pragma once

#include <cstdint>

#include "parallel/parallel.h"
#include "primitives/frame_map.h"

namespace tessaro {

// Rewrites a one-row plane of width samples in place.
using RowStage =
    parallel::FunctionRef<void(std::int16_t* row, std::int32_t step, std::int32_t width)>;

class SampleTable {
 public:
  SampleTable() = default;
  ~SampleTable();
  SampleTable(const SampleTable&) = delete;
  SampleTable& operator=(const SampleTable&) = delete;

  // Runs stage once over lo, lo + 1, ..., hi. False when memory is short.
  bool Build(std::int16_t lo, std::int16_t hi, RowStage stage);
  std::int32_t size() const { return count_; }

  // Values outside the range take the nearest end's entry; callers build tables that cover
  // every sample they map.
  std::int16_t operator()(std::int16_t v) const {
    std::int32_t i = v - lo_;
    i = i < 0 ? 0 : (i >= count_ ? count_ - 1 : i);
    return values_[i];
  }
  // The entries, for value v at v - lo(); null before a successful Build.
  const std::int16_t* values() const { return values_; }
  std::int16_t lo() const { return lo_; }
  // As the frame kernels read it; a table that maps every value to itself is a clamp into its
  // range, which needs no reads.
  SampleLookup lookup() const { return {identity_ ? nullptr : values_, lo_, count_ - 1}; }

 private:
  std::int16_t lo_ = 0;
  std::int32_t count_ = 0;
  std::int16_t* values_ = nullptr;
  bool identity_ = false;
};

// A table pays for itself when the frame has more samples than the table has values.
inline bool TableIsWorthIt(std::int32_t width, std::int32_t height, std::int32_t values) {
  return static_cast<std::int64_t>(width) * height > values;
}

// A table for each channel of a three-channel image that is levelled, and none for the others.
class ChannelTables {
 public:
  // Rewrites a one-row plane of one channel's samples in place.
  using ChannelStage = parallel::FunctionRef<void(int channel, std::int16_t* row, std::int32_t step,
                                                  std::int32_t width)>;

  // Covers mins[c]..maxs[c] of every channel c marked in levelled, the channels concurrently;
  // a channel c with sameAs[c] >= 0 takes the table of that earlier channel instead of running
  // the same stage again. False when memory is short.
  bool Build(const std::int16_t mins[3], const std::int16_t maxs[3], const bool levelled[3],
             ChannelStage stage, const int sameAs[3] = nullptr);
  // As the frame pipeline takes them: no table for a channel left untouched.
  const SampleLookup* lookups() const { return lookups_; }
  // All tables together pay for themselves on a frame of width x height.
  bool WorthIt(std::int32_t width, std::int32_t height) const {
    return TableIsWorthIt(width, height, values_);
  }

 private:
  SampleTable tables_[3];
  SampleLookup lookups_[3] = {kUnchanged, kUnchanged, kUnchanged};
  std::int32_t values_ = 0;
};

}  // namespace tessaro
