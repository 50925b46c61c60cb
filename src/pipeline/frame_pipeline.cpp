#include "pipeline/frame_pipeline.h"

#include <algorithm>
#include <cstring>

#include "parallel/frame_convert.h"
#include "parallel/parallel.h"
#include "parallel/status_reducer.h"
#include "primitives/aligned_memory.h"

namespace tessaro::pipeline {
namespace {

// Each band of counts clears and sums its own bins (48 KiB for three channels of 0..4080):
// worth it only over this many pixels.
constexpr std::int64_t kCountBandPixels = 1 << 18;

std::int16_t* RowOf(const Frame& frame, std::int32_t row) {
  return reinterpret_cast<std::int16_t*>(reinterpret_cast<char*>(frame.pixels) +
                                         static_cast<std::int64_t>(row) * frame.step);
}

// Row `row` of the buffer that keeps the working samples, or null when none is kept.
std::int16_t* KeptRows(const Frame* keep, std::int32_t row) {
  return keep != nullptr ? RowOf(*keep, row) : nullptr;
}

// Rows [begin, end) of the frame as one region.
ImageSize Rows(const Frame& frame, std::int32_t begin, std::int32_t end) {
  return {frame.width, end - begin};
}

parallel::ChunkPlan RowBands(const Frame& frame) {
  return parallel::PlanChunks(frame.height,
                              parallel::RowGrain(3 * static_cast<std::int64_t>(frame.width)));
}

// A block of count elements from the module's allocator, or null.
template <typename T>
T* AllocArray(std::int64_t count) {
  const std::int64_t bytes = count * static_cast<std::int64_t>(sizeof(T));
  if (count < 1 || bytes > 0x7FFFFFFF) return nullptr;
  return reinterpret_cast<T*>(AllocU8(static_cast<std::int32_t>(bytes)));
}

struct Band {
  ChannelStats stats;
  Status status;
};

}  // namespace

WorkSpace RgbSamples() {
  return {YcToRgbMatrix, RgbToYcMatrix};
}

bool MeasureStats(const Frame& frame, WorkSpace space, FrameStats* stats, const Frame* keep) {
  const parallel::ChunkPlan plan = RowBands(frame);
  Band* bands = AllocArray<Band>(plan.chunks);
  if (bands == nullptr) return false;
  parallel::ForEachChunk(plan, [&](std::int32_t chunk, std::int32_t begin, std::int32_t end) {
    bands[chunk].status =
        MeasureS16C3(RowOf(frame, begin), frame.step, Rows(frame, begin, end), space.toWork,
                     KeptRows(keep, begin), keep != nullptr ? keep->step : 0, &bands[chunk].stats);
  });
  bool ok = true;
  for (std::int32_t b = 0; b < plan.chunks; ++b) ok = ok && bands[b].status == StatusOk;
  ChannelStats all{};
  if (ok) all = bands[0].stats;
  for (std::int32_t b = 1; b < plan.chunks && ok; ++b) {
    for (int c = 0; c < 3; ++c) {
      all.min[c] = std::min(all.min[c], bands[b].stats.min[c]);
      all.max[c] = std::max(all.max[c], bands[b].stats.max[c]);
      all.sum[c] += bands[b].stats.sum[c];
    }
  }
  FreeAligned(bands);
  if (!ok) return false;
  // The integer sums are exact in double; the mean is their product with the reciprocal of
  // the pixel count, as the mean primitive forms it.
  const double r = 1.0 / static_cast<double>(static_cast<std::int64_t>(frame.width) * frame.height);
  for (int c = 0; c < 3; ++c) {
    stats->min[c] = all.min[c];
    stats->max[c] = all.max[c];
    stats->mean[c] = static_cast<double>(all.sum[c]) * r;
  }
  return true;
}

ChannelCounts::~ChannelCounts() {
  FreeAligned(storage_);
}

bool ChannelCounts::Count(const Frame& frame, WorkSpace space, std::int32_t high,
                          const bool channels[3], const Frame* keep) {
  FreeAligned(storage_);
  storage_ = nullptr;
  for (auto& b : bins_) b = nullptr;
  const int counted = channels[0] + channels[1] + channels[2];
  if (counted == 0) return true;

  // A couple of bands per worker, each of them worth clearing its own bins.
  const std::int64_t pixels = static_cast<std::int64_t>(frame.width) * frame.height;
  const std::int32_t bands = static_cast<std::int32_t>(std::max<std::int64_t>(
      1, std::min<std::int64_t>({2 * static_cast<std::int64_t>(parallel::MaxWorkers()),
                                 pixels / kCountBandPixels, frame.height})));
  const std::int64_t binCount = static_cast<std::int64_t>(high) + 1;
  const std::int64_t perBand = counted * binCount;
  std::uint32_t* storage = AllocArray<std::uint32_t>(bands * perBand);
  if (storage == nullptr) return false;
  std::memset(storage, 0, static_cast<std::size_t>(bands * perBand) * sizeof(std::uint32_t));

  // Band b's bins of the k-th counted channel.
  const auto binsOf = [&](std::int32_t band, int channel) -> std::uint32_t* {
    if (!channels[channel]) return nullptr;
    const int k = channels[0] * (channel > 0) + channels[1] * (channel > 1);
    return storage + band * perBand + k * binCount;
  };
  const parallel::ChunkPlan rows{frame.height, bands};
  const Status failed = FirstFailingRow(bands, [&](std::int32_t b) {
    std::uint32_t* const counts[3] = {binsOf(b, 0), binsOf(b, 1), binsOf(b, 2)};
    const std::int32_t begin = rows.Begin(b);
    return CountS16C3(RowOf(frame, begin), frame.step, Rows(frame, begin, rows.Begin(b + 1)),
                      space.toWork, KeptRows(keep, begin), keep != nullptr ? keep->step : 0, high,
                      counts);
  });
  if (failed != StatusOk) {
    FreeAligned(storage);
    return false;
  }
  // Counts add exactly, wrapping like the bins themselves.
  for (int c = 0; c < 3; ++c) {
    std::uint32_t* sum = binsOf(0, c);
    if (sum == nullptr) continue;
    for (std::int32_t b = 1; b < bands; ++b) {
      const std::uint32_t* band = binsOf(b, c);
      for (std::int64_t k = 0; k < binCount; ++k) sum[k] += band[k];
    }
    bins_[c] = sum;
  }
  storage_ = storage;
  return true;
}

Status MapFrame(const Frame& frame, WorkSpace space, const SampleLookup lookups[3],
                const Frame* kept) {
  const parallel::ChunkPlan plan = RowBands(frame);
  return FirstFailingRow(plan.chunks, [&](std::int32_t chunk) {
    const std::int32_t begin = plan.Begin(chunk);
    const ImageSize size = Rows(frame, begin, plan.Begin(chunk + 1));
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

}  // namespace tessaro::pipeline
