#include "pipeline/frame_pipeline.h"

#include <algorithm>
#include <cstring>

#include "pipeline/frame_convert.h"
#include "pipeline/frame_memory.h"
#include "pipeline/phases.h"
#include "pipeline/status_reducer.h"
#include "primitives/aligned_memory.h"
#include "primitives/planar_copy.h"
#include "primitives/statistics.h"

namespace tessaro::pipeline {
namespace {

// Each band of counts clears and sums its own bins (48 KiB for three channels of 0..4080):
// worth it only over this many pixels.
constexpr std::int64_t kCountBandPixels = 1 << 18;
// Counting bands per worker: the bins, not the rows, are what a band costs.
constexpr std::int32_t kCountBandsPerWorker = 2;

// Row `row` of the buffer that keeps the working samples, or null when none is kept.
std::int16_t* KeptRows(const Frame* keep, std::int32_t row) {
  return keep != nullptr ? RowOf(*keep, row) : nullptr;
}

// Rows [begin, end) of the frame as one region.
ImageSize Rows(const Frame& frame, std::int32_t begin, std::int32_t end) {
  return {frame.width, end - begin};
}

parallel::ChunkPlan RowBands(const Frame& frame) {
  return parallel::PlanChunks(frame.height, parallel::RowGrain(3 * std::int64_t{frame.width}));
}

// A block of count elements from the module's allocator, or null.
template <typename T>
T* AllocArray(std::int64_t count) {
  const std::int64_t bytes = count * static_cast<std::int64_t>(sizeof(T));
  if (count < 1 || bytes > 0x7FFFFFFF) return nullptr;
  return reinterpret_cast<T*>(AllocU8(static_cast<std::int32_t>(bytes)));
}

// The one pass over the frame for its statistics, bands merged exactly. False when memory is
// short.
bool MeasureStats(const Frame& frame, WorkSpace space, FrameStats* stats, const Frame* keep) {
  const parallel::ChunkPlan plan = RowBands(frame);
  auto* bands = AllocArray<ChannelStats>(plan.chunks);
  if (bands == nullptr) return false;
  const Status failed = FirstFailing(plan.chunks, [&](std::int32_t b) {
    const std::int32_t begin = plan.Begin(b);
    return MeasureS16C3(RowOf(frame, begin), frame.step, Rows(frame, begin, plan.Begin(b + 1)),
                        space.toWork, KeptRows(keep, begin), keep != nullptr ? keep->step : 0,
                        &bands[b]);
  });
  if (failed != StatusOk) {
    FreeAligned(bands);
    return false;
  }
  ChannelStats all = bands[0];
  for (std::int32_t b = 1; b < plan.chunks; ++b) MergeStats(&all, bands[b]);
  FreeAligned(bands);
  *stats = StatsOf(all, std::int64_t{frame.width} * frame.height);
  return true;
}

// The statistics primitives on an interleaved frame, run as two concurrent tasks.
void MeasureWithPrimitives(const Frame& frame, FrameStats* stats) {
  const ImageSize size{frame.width, frame.height};
  parallel::Invoke(
      3 * std::int64_t{frame.width} * frame.height,
      [&] { MinMaxS16C3(frame.pixels, frame.step, size, stats->min, stats->max); },
      [&] { MeanS16C3(frame.pixels, frame.step, size, stats->mean); });
}

}  // namespace

void MergeStats(ChannelStats* into, const ChannelStats& band) {
  for (int c = 0; c < 3; ++c) {
    into->min[c] = std::min(into->min[c], band.min[c]);
    into->max[c] = std::max(into->max[c], band.max[c]);
    into->sum[c] += band.sum[c];
  }
}

FrameStats StatsOf(const ChannelStats& all, std::int64_t pixels) {
  // The integer sums are exact in double; the mean is their product with the reciprocal of
  // the pixel count, as the mean primitive forms it.
  const double r = 1.0 / static_cast<double>(pixels);
  FrameStats stats{};
  for (int c = 0; c < 3; ++c) {
    stats.min[c] = all.min[c];
    stats.max[c] = all.max[c];
    stats.mean[c] = static_cast<double>(all.sum[c]) * r;
  }
  return stats;
}

bool UsePipeline(Road road, std::int64_t pixels, std::int64_t tableValues) {
  switch (road) {
    case Road::kPerSample:
      return false;
    case Road::kPasses:
      return true;
    case Road::kChoose:
      break;
  }
  return tableValues < pixels;
}

WorkSpace RgbSamples() {
  return {YcToRgbMatrix, RgbToYcMatrix};
}

Frame MeasureWorking(const Buffers& buffers, WorkSpace space, Road road, FrameStats* stats) {
  const PhaseScope phase(Phase::kMeasure);
  const bool stored = space.toWork == nullptr;
  const Frame& working = stored ? buffers.edit : buffers.temp;
  if (road != Road::kPerSample &&
      MeasureStats(buffers.edit, space, stats, stored ? nullptr : &buffers.temp)) {
    return working;
  }
  Frame converted = working;
  if (!ToWorking(buffers, space, &converted)) return working;
  MeasureWithPrimitives(converted, stats);
  return converted;
}

ChannelCounts::~ChannelCounts() {
  if (memory_ == nullptr) FreeAligned(storage_);
}

parallel::ChunkPlan CountingBands(std::int32_t width, std::int32_t height) {
  return parallel::PlanChunks(height, parallel::RowGrain(width, kCountBandPixels),
                              kCountBandsPerWorker);
}

void SumBands(std::uint32_t* counters, std::int32_t bands, std::int64_t stride, std::int64_t bins) {
  for (std::int32_t b = 1; b < bands; ++b) {
    const std::uint32_t* band = counters + b * stride;
    for (std::int64_t k = 0; k < bins; ++k) counters[k] += band[k];
  }
}

bool ChannelCounts::Count(const Frame& frame, WorkSpace space, std::int32_t high,
                          const bool channels[3], const Frame* keep) {
  const parallel::ChunkPlan bands = CountingBands(frame.width, frame.height);
  return Tally(bands.chunks, high, channels, [&](std::int32_t b, std::uint32_t* const counts[3]) {
    const std::int32_t begin = bands.Begin(b);
    return CountS16C3(RowOf(frame, begin), frame.step, Rows(frame, begin, bands.Begin(b + 1)),
                      space.toWork, KeptRows(keep, begin), keep != nullptr ? keep->step : 0, high,
                      counts);
  });
}

bool ChannelCounts::Tally(std::int32_t bands, std::int32_t high, const bool channels[3],
                          BandCounter count) {
  if (memory_ == nullptr) FreeAligned(storage_);
  storage_ = nullptr;
  for (auto& b : bins_) b = nullptr;
  const int counted = channels[0] + channels[1] + channels[2];
  if (counted == 0) return true;
  const PhaseScope phase(Phase::kMeasure);

  const std::int64_t binCount = std::int64_t{high} + 1;
  const std::int64_t perBand = counted * binCount;
  const std::int64_t storageBytes = bands * perBand * std::int64_t{sizeof(std::uint32_t)};
  auto* storage = static_cast<std::uint32_t*>(memory_ != nullptr ? memory_->Take(storageBytes)
                                                                 : AllocFrameBytes(storageBytes));
  if (storage == nullptr) return false;

  // Band b's bins of the k-th counted channel.
  const auto binsOf = [&](std::int32_t band, int channel) -> std::uint32_t* {
    if (!channels[channel]) return nullptr;
    const int k = channels[0] * (channel > 0) + channels[1] * (channel > 1);
    return storage + band * perBand + k * binCount;
  };
  const Status failed = FirstFailing(bands, [&](std::int32_t b) {
    // Each band clears its own bins, on its own worker.
    std::memset(storage + b * perBand, 0,
                static_cast<std::size_t>(perBand) * sizeof(std::uint32_t));
    std::uint32_t* const counts[3] = {binsOf(b, 0), binsOf(b, 1), binsOf(b, 2)};
    return count(b, counts);
  });
  if (failed != StatusOk) {
    if (memory_ == nullptr) FreeAligned(storage);
    return false;
  }
  SumBands(storage, bands, perBand, perBand);
  for (int c = 0; c < 3; ++c) bins_[c] = binsOf(0, c);
  storage_ = storage;
  return true;
}

Status MapFrame(const Frame& frame, WorkSpace space, const SampleLookup lookups[3],
                const Frame* kept) {
  // Checked for the whole frame first, so that a refused frame is not written in part.
  if (frame.pixels == nullptr || lookups == nullptr || (kept != nullptr && kept->pixels == nullptr))
    return StatusNullPointer;
  if (frame.width <= 0 || frame.height <= 0) return StatusSizeError;
  const PhaseScope phase(Phase::kMap);
  const parallel::ChunkPlan plan = RowBands(frame);
  return FirstFailing(plan.chunks, [&](std::int32_t band) {
    const std::int32_t begin = plan.Begin(band);
    const ImageSize size = Rows(frame, begin, plan.Begin(band + 1));
    std::int16_t* rows = RowOf(frame, begin);
    if (space.toWork == nullptr) return LookupS16C3(rows, frame.step, size, lookups);
    if (kept != nullptr) {
      return MatrixLookupS16C3(RowOf(*kept, begin), kept->step, rows, frame.step, size, nullptr,
                               lookups, space.toStored);
    }
    return MatrixLookupS16C3(rows, frame.step, rows, frame.step, size, space.toWork, lookups,
                             space.toStored);
  });
}

bool ToWorking(const Buffers& buffers, WorkSpace space, Frame* working) {
  if (space.toWork == nullptr) {
    *working = buffers.edit;
    return true;
  }
  *working = buffers.temp;
  return ConvertFrame(space.toWork, buffers.edit, buffers.temp) == StatusOk;
}

bool OnPlanes(const Buffers& buffers, const Frame& working, WorkSpace space,
              parallel::FunctionRef<void(const Planes& planes)> work) {
  const Frame& scratch = working.pixels == buffers.edit.pixels ? buffers.temp : buffers.edit;
  const Planes planes = PlanesAt(scratch);
  const ImageSize size{working.width, working.height};
  if (SplitS16C3(working.pixels, working.step, planes.plane, planes.step, size) != StatusOk) {
    return false;
  }
  work(planes);
  MergeS16C3(planes.plane, planes.step, working.pixels, working.step, size);
  if (space.toStored != nullptr) ConvertFrame(space.toStored, working, buffers.edit);
  return true;
}

Planes PlanesAt(const Frame& buffer) {
  const std::int64_t planeSamples = std::int64_t{buffer.width} * buffer.height;
  Planes planes{{}, 2 * buffer.width};
  for (int c = 0; c < 3; ++c) planes.plane[c] = buffer.pixels + c * planeSamples;
  return planes;
}

}  // namespace tessaro::pipeline
