// The frame pipeline both filters share. The fast road takes at most two passes over a frame:
// the measure pass reads every pixel once and gives what the frame's parameters need; every
// stage that depends only on a sample's value then runs once per value, as a table; the map
// pass reads every pixel once, takes it through the tables, and writes it once. The per-sample
// road, the reference, runs every stage on three planes of the frame. Rows run in parallel
// bands on both.
#pragma once

#include <cstdint>

#include "parallel/parallel.h"
#include "pipeline/frame.h"
#include "pipeline/frame_map.h"
#include "pipeline/frame_measure.h"

namespace tessaro::pipeline {

class FrameMemory;

// How a frame is processed: stage by stage on every sample through the primitives (the
// reference), or in the passes with the value-only stages as tables. Both give the same frame;
// kChoose lets the cost rule decide, the others force a road (tests).
enum class Road { kChoose, kPerSample, kPasses };

// What one table value costs, in samples of a pass (a read and a write): a power and two
// conversions. One sample of a levelled channel costs the same on the per-sample road, and
// the passes around either road cost about the same, so tables pay when they hold fewer
// values than the frame has pixels. Decided before any table is built.
inline constexpr std::int64_t kValueCost = 64;
bool UsePipeline(Road road, std::int64_t pixels, std::int64_t tableValues);

// Per-channel extremes and means, exactly as MinMaxS16C3 and MeanS16C3 report them on the
// frame in its working space.
struct FrameStats {
  std::int16_t min[3];
  std::int16_t max[3];
  double mean[3];
};

// The frame's working samples, measured. They are the edit frame's own in the stored space;
// otherwise the measure pass writes them into the temporary frame as it reads (or, on the
// per-sample road or when memory is short, the frame is converted there and measured by the
// statistics primitives). Returns the frame that holds them, for a per-sample road to take
// them from; the map pass takes the kept samples from there too.
Frame MeasureWorking(const Buffers& buffers, WorkSpace space, Road road, FrameStats* stats);

// Histograms of the frame's working samples clamped into 0..high, of the channels asked for:
// bin k counts the samples equal to k. The working samples are written into `keep` as they
// are counted.
class ChannelCounts {
 public:
  // With frame memory the bins live there until the next frame.
  explicit ChannelCounts(FrameMemory* memory = nullptr) : memory_(memory) {}
  ~ChannelCounts();
  ChannelCounts(const ChannelCounts&) = delete;
  ChannelCounts& operator=(const ChannelCounts&) = delete;

  // False, with nothing counted, when memory is short.
  bool Count(const Frame& frame, WorkSpace space, std::int32_t high, const bool channels[3],
             const Frame* keep = nullptr);
  // The same over any bands: count(band, counts) adds band's samples to the channels' bins
  // (null for a channel not counted), which start cleared.
  using BandCounter =
      parallel::FunctionRef<Status(std::int32_t band, std::uint32_t* const counts[3])>;
  bool Tally(std::int32_t bands, std::int32_t high, const bool channels[3], BandCounter count);
  // high + 1 bins; null for a channel not counted.
  const std::uint32_t* bins(int channel) const { return bins_[channel]; }

 private:
  FrameMemory* memory_;
  std::uint32_t* storage_ = nullptr;
  const std::uint32_t* bins_[3] = {nullptr, nullptr, nullptr};
};

// Bands' statistics merged exactly, and the frame's statistics from their merge.
void MergeStats(ChannelStats* into, const ChannelStats& band);
FrameStats StatsOf(const ChannelStats& all, std::int64_t pixels);

// Bands of rows for a counting pass: a couple per worker, each worth clearing its own bins.
parallel::ChunkPlan CountingBands(std::int32_t width, std::int32_t height);
// Adds bands 1.. of `bands` runs of `bins` counters, `stride` apart, into band 0, wrapping as
// the counters themselves do.
void SumBands(std::uint32_t* counters, std::int32_t bands, std::int64_t stride, std::int64_t bins);

// Every channel of the working samples through its table (a null table leaves the channel as
// it is) and the result back into the edit frame. The working samples are those a measure or
// counting pass kept in `kept`, or the frame's own converted again. A frame refused by its
// arguments is not written at all; otherwise StatusOk.
Status MapFrame(const Frame& frame, WorkSpace space, const SampleLookup lookups[3],
                const Frame* kept = nullptr);

// The per-sample road's working samples: the edit frame's own, or the frame converted into
// the temporary one. False when the conversion fails.
bool ToWorking(const Buffers& buffers, WorkSpace space, Frame* working);

// The per-sample road: the working samples split into three planes in the buffer that does not
// hold them, work(planes) run on those, the planes merged back, and the result converted into
// the edit frame when the working space is another. False, with the edit frame untouched,
// when the split fails.
bool OnPlanes(const Buffers& buffers, const Frame& working, WorkSpace space,
              parallel::FunctionRef<void(const Planes& planes)> work);

}  // namespace tessaro::pipeline
