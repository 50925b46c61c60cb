// Stages whose output depends only on each sample's value, evaluated once per value: the
// very same stage runs over a plane holding every value of a range, and frames are then mapped
// through the resulting table. Results are those of running the stage on the frame itself,
// bit for bit.
#pragma once

#include <cstdint>

#include "parallel/parallel.h"
#include "pipeline/frame_map.h"

namespace tessaro::pipeline {

class FrameMemory;

// Rewrites a plane of width x height samples in place.
using PlaneStage = parallel::FunctionRef<void(std::int16_t* plane, std::int32_t step,
                                              std::int32_t width, std::int32_t height)>;

class SampleTable {
 public:
  // With frame memory the values live there until the next frame.
  explicit SampleTable(FrameMemory* memory = nullptr) : memory_(memory) {}
  ~SampleTable();
  SampleTable(const SampleTable&) = delete;
  SampleTable& operator=(const SampleTable&) = delete;

  // Runs stage once over lo, lo + 1, ..., hi. False when memory is short.
  bool Build(std::int16_t lo, std::int16_t hi, PlaneStage stage);
  std::int32_t size() const { return count_; }
  // As the frame kernels read it; a table that maps every value to itself is a clamp into its
  // range, which needs no reads.
  SampleLookup lookup() const { return {identity_ ? nullptr : values_, lo_, count_ - 1}; }

  // Build in parts, for stages run on several tables at once: the values lo..hi laid out as
  // rows of kValuesPerRow (the last row padded with hi), for a stage to rewrite row by row,
  // then Finish. False when memory is short.
  static constexpr std::int32_t kValuesPerRow = 256;
  bool Allocate(std::int16_t lo, std::int16_t hi);
  std::int32_t rows() const { return rows_; }
  std::int16_t* Row(std::int32_t row) const { return values_ + std::int64_t{row} * kValuesPerRow; }
  void Finish();

 private:
  FrameMemory* memory_;
  std::int16_t lo_ = 0;
  std::int32_t count_ = 0;
  std::int32_t rows_ = 0;
  std::int16_t* values_ = nullptr;
  bool identity_ = false;
};

// The value ranges of a three-channel image's tables: channel c has one, over lo[c]..hi[c],
// when levelled[c].
struct TableRanges {
  std::int16_t lo[3];
  std::int16_t hi[3];
  bool levelled[3];
  // Values of all tables together, each channel counted.
  std::int64_t Values() const;
};

// A table for each channel of a three-channel image that is levelled, and none for the others.
class ChannelTables {
 public:
  // Rewrites a plane of one channel's samples in place.
  using ChannelStage =
      parallel::FunctionRef<void(int channel, std::int16_t* plane, std::int32_t step,
                                 std::int32_t width, std::int32_t height)>;

  // The tables of every levelled channel, all their rows spread over the workers at once: a
  // value costs far more than a sample of a pass, so even one table is worth them all. A
  // channel c with sameAs[c] >= 0 takes the table of that earlier channel instead of running
  // the same stage again. False when memory is short.
  explicit ChannelTables(FrameMemory* memory = nullptr)
      : tables_{SampleTable(memory), SampleTable(memory), SampleTable(memory)} {}
  bool Build(const TableRanges& ranges, ChannelStage stage, const int sameAs[3] = nullptr);
  // As the frame pipeline takes them: no table for a channel left untouched.
  const SampleLookup* lookups() const { return lookups_; }

 private:
  SampleTable tables_[3];
  SampleLookup lookups_[3] = {kUnchanged, kUnchanged, kUnchanged};
};

}  // namespace tessaro::pipeline
