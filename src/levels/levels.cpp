#include "levels/levels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "autolevel/auto_level.h"
#include "autolevel/level_plane.h"
#include "autolevel/sample_table.h"
#include "host/frame_guard.h"
#include "levels/levels_params.h"
#include "levels/levels_rows.h"
#include "parallel/frame_convert.h"
#include "parallel/parallel.h"
#include "pipeline/frame_pipeline.h"
#include "primitives/aligned_memory.h"
#include "primitives/histogram.h"
#include "primitives/planar_copy.h"
#include "primitives/replace_out_of_range.h"

namespace tessaro {
namespace {

constexpr float kFullScale = static_cast<float>(kRgbFullScale);
// Levels k = 0..4080 make bin k count exactly the samples equal to k; 4080 falls in none.
constexpr std::int32_t kLevelCount = kRgbFullScale + 1;
constexpr std::int32_t kBinCount = kLevelCount - 1;
// Narrower clipping ranges count as flat: a near-constant channel is not blown up to full contrast.
constexpr float kMinClipSpan = 4.0f;
// A histogram band should count at least this many pixels: each zeroes 256 KiB of scratch.
constexpr std::int64_t kBandPixels = 1 << 18;
constexpr std::int32_t kMaxHistogramBands = 16;

struct ClipLevels {
  float low;
  float high;
};

// The share slider / 4080 of the pixels, halves away from zero. Signed, so that the walks
// treat a non-positive target as reached at once.
std::int64_t TargetCount(std::int32_t slider, std::int32_t width, std::int32_t height) {
  const float share = static_cast<float>(slider) / kFullScale * static_cast<float>(width) *
                      static_cast<float>(height);
  return static_cast<std::int64_t>(std::round(static_cast<double>(share)));
}

// First bin from the dark end whose running sum reaches target; 4080 when none does.
std::int32_t DarkSideBin(const std::int32_t* counts, std::int64_t target) {
  std::uint32_t sum = 0;
  for (std::int32_t k = 0; k < kBinCount; ++k) {
    sum += static_cast<std::uint32_t>(counts[k]);
    if (static_cast<std::int64_t>(sum) >= target) return k;
  }
  return kBinCount;
}

// First bin from the bright end whose running sum reaches target; 0 when none does.
std::int32_t BrightSideBin(const std::int32_t* counts, std::int64_t target) {
  std::uint32_t sum = 0;
  for (std::int32_t k = kBinCount - 1; k >= 0; --k) {
    sum += static_cast<std::uint32_t>(counts[k]);
    if (static_cast<std::int64_t>(sum) >= target) return k;
  }
  return 0;
}

// Counts the plane into bins 0..4079 and copies out the 4081 level boundaries; the record
// and scratch live only for this call. Each of the row bands is counted on its own scratch,
// bands in parallel, and the counts summed: they add exactly, wrapping like the bins.
bool TakeHistogram(const std::int16_t* plane, std::int32_t width, std::int32_t height,
                   std::int32_t bands, std::int32_t* counts, float* levelTable) {
  const ImageSize size{width, height};
  const float lower = 0.0f;
  const float upper = kFullScale;
  std::int32_t specSize = 0;
  std::int32_t bufferSize = 0;
  HistogramGetSize(DataTypeS16, size, &kLevelCount, 1, 1, &specSize, &bufferSize);
  // Band b's scratch at b * bufferSize; the counts of bands 1.. after all the scratch.
  const std::int64_t scratchBytes =
      static_cast<std::int64_t>(bufferSize) * bands + 4 * kBinCount * std::int64_t{bands - 1};
  std::uint8_t* buffer =
      scratchBytes <= 0x7FFFFFFF ? AllocU8(static_cast<std::int32_t>(scratchBytes)) : nullptr;
  std::uint8_t* recordMemory = AllocU8(specSize);
  auto* record = reinterpret_cast<HistogramSpec*>(recordMemory);
  bool ok = buffer != nullptr && record != nullptr &&
            HistogramInitUniform(DataTypeS16, &lower, &upper, &kLevelCount, 1, record) == StatusOk;
  if (ok) {
    auto* bandCounts =
        reinterpret_cast<std::int32_t*>(buffer + static_cast<std::int64_t>(bufferSize) * bands) -
        kBinCount;
    const parallel::ChunkPlan rows{height, bands};
    bool failed[kMaxHistogramBands] = {};
    parallel::ParallelFor(bands, [&](std::int32_t begin, std::int32_t end) {
      for (std::int32_t b = begin; b < end; ++b) {
        const std::int32_t first = rows.Begin(b);
        const std::int16_t* bandPlane = plane + static_cast<std::int64_t>(first) * width;
        std::int32_t* out = b == 0 ? counts : bandCounts + static_cast<std::int64_t>(b) * kBinCount;
        failed[b] =
            HistogramS16C1(bandPlane, 2 * width, ImageSize{width, rows.Begin(b + 1) - first}, out,
                           record, buffer + static_cast<std::int64_t>(b) * bufferSize) != StatusOk;
      }
    });
    for (std::int32_t b = 0; b < bands; ++b) ok = ok && !failed[b];
    for (std::int32_t b = 1; b < bands && ok; ++b) {
      const std::int32_t* band = bandCounts + static_cast<std::int64_t>(b) * kBinCount;
      for (std::int32_t k = 0; k < kBinCount; ++k) {
        counts[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(counts[k]) +
                                              static_cast<std::uint32_t>(band[k]));
      }
    }
  }
  if (ok) HistogramGetLevels(record, &levelTable);
  FreeAligned(recordMemory);
  FreeAligned(buffer);
  return ok;
}

// The black and white points from a channel's bins; level k of the histogram is levels[k],
// or k itself without a level table.
ClipLevels ClipLevelsOf(const std::int32_t* bins, const float* levelTable,
                        const ChannelLevels& levels, std::int32_t width, std::int32_t height) {
  const std::int32_t low = DarkSideBin(bins, TargetCount(levels.clipLow, width, height));
  const std::int32_t high = BrightSideBin(bins, TargetCount(levels.clipHigh, width, height));
  return levelTable != nullptr ? ClipLevels{levelTable[low], levelTable[high]}
                               : ClipLevels{static_cast<float>(low), static_cast<float>(high)};
}

// The black and white points of one channel; false when its histogram cannot be taken.
bool FindClipLevels(const std::int16_t* plane, std::int32_t width, std::int32_t height,
                    std::int32_t bands, const ChannelLevels& levels, ClipLevels* clip) {
  std::int32_t* counts = AllocS32(kBinCount);
  float* levelTable = AllocF32(kLevelCount);
  bool ok = counts != nullptr && levelTable != nullptr;
  if (ok) {
    std::memset(counts, 0, sizeof(std::int32_t) * kBinCount);
    ok = TakeHistogram(plane, width, height, bands, counts, levelTable);
  }
  if (ok) *clip = ClipLevelsOf(counts, levelTable, levels, width, height);
  FreeAligned(levelTable);
  FreeAligned(counts);
  return ok;
}

// What the clipping step does to one channel, decided from its histogram.
struct ClipStep {
  bool clamp = false;    // the whole-plane clamp after the stretch
  bool stretch = false;  // levels far enough apart to stretch between
  ClipLevels levels{};
};

// A clipped channel's step: clamped always, stretched when its levels lie far enough apart.
ClipStep StepFor(const ClipLevels& levels) {
  return {true, levels.high - levels.low >= kMinClipSpan, levels};
}

bool Clips(const ChannelLevels& levels) {
  return levels.clipHigh > 0 || levels.clipLow > 0;
}

// Row bands per histogram: one for the reference path; otherwise a couple per worker, each
// worth more than zeroing its scratch costs.
std::int32_t HistogramBands(std::int32_t width, std::int32_t height, LevelPath path) {
  if (path == LevelPath::kPerSample) return 1;
  std::int64_t bands = 2 * static_cast<std::int64_t>(parallel::MaxWorkers());
  bands = std::min<std::int64_t>(bands, static_cast<std::int64_t>(width) * height / kBandPixels);
  bands = std::min<std::int64_t>({bands, height, kMaxHistogramBands});
  return bands < 1 ? 1 : static_cast<std::int32_t>(bands);
}

// The channels' histograms concurrently; in channel order, a histogram that cannot be taken
// ends the clipping step for that channel and the ones after it.
void PlanClipping(std::int16_t* const planes[3], std::int32_t width, std::int32_t height,
                  std::int32_t bands, const ChannelLevels levels[3], ClipStep steps[3]) {
  bool found[3] = {false, false, false};
  ClipLevels clip[3]{};
  auto find = [&](int c) {
    if (Clips(levels[c]))
      found[c] = FindClipLevels(planes[c], width, height, bands, levels[c], &clip[c]);
  };
  parallel::Invoke(
      3 * static_cast<std::int64_t>(width) * height, [&] { find(0); }, [&] { find(1); },
      [&] { find(2); });
  for (int c = 0; c < 3; ++c) {
    if (!Clips(levels[c])) continue;
    if (!found[c]) return;
    steps[c] = StepFor(clip[c]);
  }
}

// Everything after the first clamp, for one channel: clipping stretch, input levels with
// gamma, output levels, a clamp after each. Only sample values matter, so a one-row plane of
// all values gives the channel's table.
void ChannelChain(std::int16_t* plane, std::int32_t step, std::int32_t width, std::int32_t height,
                  const ClipStep& clip, const ChannelLevels& levels) {
  if (clip.stretch)
    ContrastStretchRows(plane, step, width, height, clip.levels.low, clip.levels.high);
  if (clip.clamp) {
    ReplaceOutOfRangeS16C1(plane, step, ImageSize{width, height}, 0, 0, kRgbFullScale,
                           kRgbFullScale);
  }
  LevelPlane(plane, step, width, height, levels.inHigh, levels.inLow, levels.gamma, kFullScale);
  ClampPlaneRows(plane, step, width, height);
  ApplyOutputLevelRows(plane, step, width, height, levels.outHigh, levels.outLow);
  ClampPlaneRows(plane, step, width, height);
}

void ClampPlanes(std::int16_t* const planes[3], std::int32_t width, std::int32_t height) {
  for (int c = 0; c < 3; ++c) ClampPlaneRows(planes[c], 2 * width, width, height);
}

// Whether two channels' chains map every value the same way.
bool SameChain(const ClipStep& a, const ChannelLevels& la, const ClipStep& b,
               const ChannelLevels& lb) {
  const bool sameClip =
      a.clamp == b.clamp && a.stretch == b.stretch &&
      (!a.stretch || (a.levels.low == b.levels.low && a.levels.high == b.levels.high));
  return sameClip && la.inLow == lb.inLow && la.inHigh == lb.inHigh && la.outLow == lb.outLow &&
         la.outHigh == lb.outHigh && la.gamma == lb.gamma;
}

// The clipping levels of each clipped channel from the pipeline's counts, in channel order as
// the per-sample path finds them.
void ClipFromCounts(const pipeline::ChannelCounts& counts, std::int32_t width, std::int32_t height,
                    const ChannelLevels levels[3], ClipStep steps[3]) {
  for (int c = 0; c < 3; ++c) {
    if (!Clips(levels[c])) continue;
    // The counts are plain 32-bit counters, as the histogram's bins are.
    const auto* bins = reinterpret_cast<const std::int32_t*>(counts.bins(c));
    steps[c] = StepFor(ClipLevelsOf(bins, nullptr, levels[c], width, height));
  }
}

// The whole frame in the pipeline: a counting pass when a channel clips, the channel chains
// as tables over 0..4080 (the lookup clamps each sample into the table first, which is the
// first clamp), and one mapping pass through RGB and back. False, with the frame untouched,
// when memory is short.
bool LevelThroughPipeline(const pipeline::Frame& frame, const pipeline::Frame& scratch,
                          const ChannelLevels levels[3]) {
  ClipStep clip[3];
  const bool clips[3] = {Clips(levels[0]), Clips(levels[1]), Clips(levels[2])};
  pipeline::ChannelCounts counts;
  // A counting pass keeps the RGB frame in the scratch buffer for the mapping pass.
  const pipeline::Frame* rgb = nullptr;
  if (clips[0] || clips[1] || clips[2]) {
    if (!counts.Count(frame, pipeline::RgbSamples(), kBinCount, clips, &scratch)) return false;
    ClipFromCounts(counts, frame.width, frame.height, levels, clip);
    rgb = &scratch;
  }
  // With the channels in step (Sync RGB), one table serves all three.
  int sameAs[3] = {-1, -1, -1};
  for (int c = 1; c < 3; ++c) {
    for (int d = 0; d < c && sameAs[c] < 0; ++d) {
      if (SameChain(clip[c], levels[c], clip[d], levels[d])) sameAs[c] = d;
    }
  }
  const std::int16_t lo[3] = {0, 0, 0};
  const std::int16_t hi[3] = {kBinCount, kBinCount, kBinCount};
  const bool all[3] = {true, true, true};
  ChannelTables tables;
  const bool built = tables.Build(
      lo, hi, all,
      [&](int c, std::int16_t* row, std::int32_t step, std::int32_t n) {
        ChannelChain(row, step, n, 1, clip[c], levels[c]);
      },
      sameAs);
  if (!built) return false;
  const SampleLookup* lookups = tables.lookups();
  pipeline::MapFrame(frame, pipeline::RgbSamples(), lookups, rgb);
  return true;
}

}  // namespace

HostBool LevelsProc(FilterDescriptor* filter, FrameInfo* frame) {
  if (CheckFrame(filter, frame) != FrameVerdict::kProcess) return kFalse;
  SettingsSnapshot settings(*filter);
  return LevelsProcWithPath(settings.filter(), frame, LevelPath::kFastest);
}

HostBool LevelsProcWithPath(FilterDescriptor* filter, FrameInfo* frame, LevelPath path) {
  const std::int32_t w = frame->width;
  const std::int32_t h = frame->height;
  const std::int32_t rowStep = frame->rowLength * 6;
  auto* edit = reinterpret_cast<std::int16_t*>(frame->edit);
  auto* temp = reinterpret_cast<std::int16_t*>(frame->temp);

  ChannelLevels levels[3];
  for (int c = 0; c < 3; ++c) levels[c] = ReadChannelLevels(filter->trackValues, c);
  const bool pipelined = path != LevelPath::kPerSample &&
                         (path == LevelPath::kPipeline || TableIsWorthIt(w, h, 3 * kLevelCount));
  if (pipelined && LevelThroughPipeline({edit, rowStep, w, h}, {temp, rowStep, w, h}, levels)) {
    return kTrue;
  }

  // RGB in the temporary buffer; the edit buffer is scratch from here until the final
  // conversion rewrites it.
  if (ConvertYcToRgbFrame(edit, rowStep, temp, rowStep, w, h) != StatusOk) return kFalse;
  std::int16_t* planes[3];
  PlanesAt(frame->edit, w, h, planes);
  const std::int32_t planeStep = 2 * w;
  if (SplitS16C3(temp, rowStep, planes, planeStep, ImageSize{w, h}) != StatusOk) return kFalse;
  ClampPlanes(planes, w, h);
  ClipStep clip[3];
  PlanClipping(planes, w, h, HistogramBands(w, h, path), levels, clip);
  for (int c = 0; c < 3; ++c) ChannelChain(planes[c], planeStep, w, h, clip[c], levels[c]);
  MergeS16C3(planes, planeStep, temp, rowStep, ImageSize{w, h});
  ConvertRgbToYcFrame(temp, rowStep, edit, rowStep, w, h);
  return kTrue;
}

}  // namespace tessaro
