#include "levels/levels.h"

#include <cmath>
#include <cstring>

#include "autolevel/auto_level.h"
#include "autolevel/level_plane.h"
#include "autolevel/sample_table.h"
#include "levels/levels_params.h"
#include "levels/levels_rows.h"
#include "parallel/frame_convert.h"
#include "primitives/aligned_memory.h"
#include "primitives/histogram.h"
#include "primitives/planar_copy.h"
#include "primitives/replace_out_of_range.h"

namespace tessaro {
namespace {

constexpr float kFullScale = 4080.0f;
// Levels k = 0..4080 make bin k count exactly the samples equal to k; 4080 falls in none.
constexpr std::int32_t kLevelCount = 4081;
constexpr std::int32_t kBinCount = kLevelCount - 1;
// Narrower clipping ranges count as flat: a near-constant channel is not blown up to full contrast.
constexpr float kMinClipSpan = 4.0f;

struct ClipLevels {
  float low;
  float high;
};

// The share slider / 4080 of the pixels, halves away from zero. Signed, so that the walks
// treat a non-positive target as reached at once.
std::int64_t TargetCount(std::int32_t slider, std::int32_t width, std::int32_t height) {
  const float share =
      static_cast<float>(slider) / 4080.0f * static_cast<float>(width) * static_cast<float>(height);
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
// and scratch buffer live only for this call.
bool TakeHistogram(const std::int16_t* plane, std::int32_t width, std::int32_t height,
                   std::int32_t* counts, float* levelTable) {
  const ImageSize size{width, height};
  const float lower = 0.0f;
  const float upper = kFullScale;
  std::int32_t specSize = 0;
  std::int32_t bufferSize = 0;
  HistogramGetSize(DataTypeS16, size, &kLevelCount, 1, 1, &specSize, &bufferSize);
  std::uint8_t* buffer = AllocU8(bufferSize);
  std::uint8_t* specMemory = AllocU8(specSize);
  auto* spec = reinterpret_cast<HistogramSpec*>(specMemory);
  const bool ok =
      buffer != nullptr && spec != nullptr &&
      HistogramInitUniform(DataTypeS16, &lower, &upper, &kLevelCount, 1, spec) == StatusOk &&
      HistogramS16C1(plane, 2 * width, size, counts, spec, buffer) == StatusOk;
  if (ok) HistogramGetLevels(spec, &levelTable);
  FreeAligned(specMemory);
  FreeAligned(buffer);
  return ok;
}

// The black and white points of one channel; false when its histogram cannot be taken.
bool FindClipLevels(const std::int16_t* plane, std::int32_t width, std::int32_t height,
                    const ChannelLevels& levels, ClipLevels* clip) {
  std::int32_t* counts = AllocS32(kBinCount);
  float* levelTable = AllocF32(kLevelCount);
  bool ok = counts != nullptr && levelTable != nullptr;
  if (ok) {
    std::memset(counts, 0, sizeof(std::int32_t) * kBinCount);
    ok = TakeHistogram(plane, width, height, counts, levelTable);
  }
  if (ok) {
    clip->low = levelTable[DarkSideBin(counts, TargetCount(levels.clipLow, width, height))];
    clip->high = levelTable[BrightSideBin(counts, TargetCount(levels.clipHigh, width, height))];
  }
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

// Channel by channel in order; a histogram that cannot be taken ends the clipping step for
// that channel and the ones after it.
void PlanClipping(std::int16_t* const planes[3], std::int32_t width, std::int32_t height,
                  const ChannelLevels levels[3], ClipStep steps[3]) {
  for (int c = 0; c < 3; ++c) {
    if (levels[c].clipHigh <= 0 && levels[c].clipLow <= 0) continue;
    if (!FindClipLevels(planes[c], width, height, levels[c], &steps[c].levels)) return;
    steps[c].clamp = true;
    steps[c].stretch = steps[c].levels.high - steps[c].levels.low >= kMinClipSpan;
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
    ReplaceOutOfRangeS16C1(plane, step, ImageSize{width, height}, 0, 0, 4080, 4080);
  }
  LevelPlane(plane, step, width, height, levels.inHigh, levels.inLow, levels.gamma, kFullScale);
  ClampPlaneRows(plane, step, width, height);
  ApplyOutputLevelRows(plane, step, width, height, levels.outHigh, levels.outLow);
  ClampPlaneRows(plane, step, width, height);
}

void ClampPlanes(std::int16_t* const planes[3], std::int32_t width, std::int32_t height) {
  for (int c = 0; c < 3; ++c) ClampPlaneRows(planes[c], 2 * width, width, height);
}

// The planes through the channel chains, merged into dst. Through tables when that pays,
// otherwise (or when memory is short) sample by sample.
void LevelAndMerge(std::int16_t* const planes[3], std::int32_t width, std::int32_t height,
                   const ChannelLevels levels[3], std::int16_t* dst, std::int32_t dstStep,
                   LevelPath path) {
  const std::int32_t planeStep = 2 * width;
  ClampPlanes(planes, width, height);
  ClipStep clip[3];
  PlanClipping(planes, width, height, levels, clip);

  if (path != LevelPath::kPerSample &&
      (path == LevelPath::kTable || TableIsWorthIt(width, height, 3 * 4081))) {
    SampleTable tables[3];
    bool built = true;
    for (int c = 0; c < 3 && built; ++c) {
      built = tables[c].Build(0, 4080, [&](std::int16_t* row, std::int32_t step, std::int32_t n) {
        ChannelChain(row, step, n, 1, clip[c], levels[c]);
      });
    }
    if (built) {
      const SampleTable* use[3] = {&tables[0], &tables[1], &tables[2]};
      MergeThroughTables(planes, planeStep, use, dst, dstStep, width, height);
      return;
    }
  }
  for (int c = 0; c < 3; ++c) ChannelChain(planes[c], planeStep, width, height, clip[c], levels[c]);
  MergeS16C3(planes, planeStep, dst, dstStep, ImageSize{width, height});
}

}  // namespace

HostBool LevelsProc(FilterDescriptor* filter, FrameInfo* frame) {
  return LevelsProcWithPath(filter, frame, LevelPath::kFastest);
}

HostBool LevelsProcWithPath(FilterDescriptor* filter, FrameInfo* frame, LevelPath path) {
  const std::int32_t w = frame->width;
  const std::int32_t h = frame->height;
  const std::int32_t rowStep = frame->rowLength * 6;
  auto* edit = reinterpret_cast<std::int16_t*>(frame->edit);
  auto* temp = reinterpret_cast<std::int16_t*>(frame->temp);

  // RGB in the temporary buffer, then as planes in the edit buffer, which is scratch from
  // here until the final conversion rewrites it.
  if (ConvertYcToRgbFrame(edit, rowStep, temp, rowStep, w, h) != StatusOk) return kFalse;
  std::int16_t* planes[3];
  PlanesAt(frame->edit, w, h, planes);
  if (SplitS16C3(temp, rowStep, planes, 2 * w, ImageSize{w, h}) != StatusOk) return kFalse;

  ChannelLevels levels[3];
  for (int c = 0; c < 3; ++c) levels[c] = ReadChannelLevels(filter->trackValues, c);
  LevelAndMerge(planes, w, h, levels, temp, rowStep, path);

  ConvertRgbToYcFrame(temp, rowStep, edit, rowStep, w, h);
  return kTrue;
}

}  // namespace tessaro
