// The frame pipeline both filters share: at most two passes over a frame. The measure pass
// reads every pixel once and gives what the frame's parameters need; every stage that depends
// only on a sample's value then runs once per value, as a table; the map pass reads every
// pixel once, takes it through the tables, and writes it once. Rows run in parallel bands.
#pragma once

#include <cstdint>

#include "primitives/frame_map.h"
#include "primitives/frame_measure.h"

namespace tessaro::pipeline {

// The host's frame: interleaved Y, Cb, Cr pixels, rows `step` bytes apart.
struct Frame {
  std::int16_t* pixels;
  std::int32_t step;
  std::int32_t width;
  std::int32_t height;
};

// The samples a filter works on: the frame's own, or R, G, B through a matrix and back.
struct WorkSpace {
  const float* toWork;    // null: the stored samples themselves
  const float* toStored;  // null exactly when toWork is
};
inline constexpr WorkSpace kStoredSamples{nullptr, nullptr};
WorkSpace RgbSamples();

// Per-channel extremes and means, exactly as MinMaxS16C3 and MeanS16C3 report them on the
// frame in its working space.
struct FrameStats {
  std::int16_t min[3];
  std::int16_t max[3];
  double mean[3];
};

// False when memory is short. With `keep`, the working samples are also written there (a
// buffer of the frame's size), for MapFrame to read instead of converting the frame again.
bool MeasureStats(const Frame& frame, WorkSpace space, FrameStats* stats,
                  const Frame* keep = nullptr);

// Histograms of the frame's working samples clamped into 0..high, of the channels asked for:
// bin k counts the samples equal to k.
class ChannelCounts {
 public:
  ChannelCounts() = default;
  ~ChannelCounts();
  ChannelCounts(const ChannelCounts&) = delete;
  ChannelCounts& operator=(const ChannelCounts&) = delete;

  // False, with nothing counted, when memory is short. `keep` as for MeasureStats.
  bool Count(const Frame& frame, WorkSpace space, std::int32_t high, const bool channels[3],
             const Frame* keep = nullptr);
  // high + 1 bins; null for a channel not counted.
  const std::uint32_t* bins(int channel) const { return bins_[channel]; }

 private:
  std::uint32_t* storage_ = nullptr;
  const std::uint32_t* bins_[3] = {nullptr, nullptr, nullptr};
};

// Every channel of the working samples through its table (a null table leaves the channel
// as it is) and the result back into the frame. The working samples are those a measure pass
// kept, or the frame's own converted again. The status of the first failing band.
Status MapFrame(const Frame& frame, WorkSpace space, const SampleLookup lookups[3],
                const Frame* kept = nullptr);

}  // namespace tessaro::pipeline
