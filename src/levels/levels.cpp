#include "levels/levels.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "levels/levels_params.h"
#include "levels/levels_rows.h"
#include "parallel/parallel.h"
#include "pipeline/frame_job.h"
#include "pipeline/frame_work.h"
#include "pipeline/level_plane.h"
#include "pipeline/sample_table.h"
#include "pipeline/status_reducer.h"
#include "primitives/aligned_memory.h"
#include "primitives/histogram.h"
#include "primitives/replace_out_of_range.h"

namespace tessaro {
namespace {

constexpr float kRgbScale = static_cast<float>(kRgbFullScale);
// Levels k = 0..4080 make bin k count exactly the samples equal to k; 4080 falls in none.
constexpr std::int32_t kLevelCount = kRgbFullScale + 1;
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
  const float share = static_cast<float>(slider) / kRgbScale * static_cast<float>(width) *
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
// and scratch live only for this call. Bands of rows are counted in parallel, each on its own
// scratch and bins, and the bins summed: they add exactly, wrapping like the bins.
bool TakeHistogram(const std::int16_t* plane, std::int32_t width, std::int32_t height,
                   std::int32_t* counts, float* levelTable) {
  const ImageSize size{width, height};
  const float lower = 0.0f;
  const float upper = kRgbScale;
  std::int32_t specSize = 0;
  std::int32_t bufferSize = 0;
  HistogramGetSize(DataTypeS16, size, &kLevelCount, 1, 1, &specSize, &bufferSize);
  const parallel::ChunkPlan bands = pipeline::CountingBands(width, height);
  // Band b's scratch at b * bufferSize, then the bins of every band, one run after another.
  const std::int64_t scratchBytes =
      (std::int64_t{bufferSize} + 4 * std::int64_t{kBinCount}) * bands.chunks;
  std::uint8_t* buffer =
      scratchBytes <= 0x7FFFFFFF ? AllocU8(static_cast<std::int32_t>(scratchBytes)) : nullptr;
  std::uint8_t* recordMemory = AllocU8(specSize);
  auto* record = reinterpret_cast<HistogramSpec*>(recordMemory);
  bool ok = buffer != nullptr && record != nullptr &&
            HistogramInitUniform(DataTypeS16, &lower, &upper, &kLevelCount, 1, record) == StatusOk;
  if (ok) {
    auto* bins = reinterpret_cast<std::int32_t*>(buffer + std::int64_t{bufferSize} * bands.chunks);
    ok = FirstFailing(bands.chunks, [&](std::int32_t b) {
           const std::int32_t first = bands.Begin(b);
           return HistogramS16C1(plane + std::int64_t{first} * width, 2 * width,
                                 ImageSize{width, bands.Begin(b + 1) - first},
                                 bins + std::int64_t{b} * kBinCount, record,
                                 buffer + std::int64_t{b} * bufferSize);
         }) == StatusOk;
    if (ok) {
      pipeline::SumBands(reinterpret_cast<std::uint32_t*>(bins), bands.chunks, kBinCount,
                         kBinCount);
      std::memcpy(counts, bins, sizeof(std::int32_t) * kBinCount);
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
                    const ChannelLevels& levels, ClipLevels* clip) {
  std::int32_t* counts = AllocS32(kBinCount);
  float* levelTable = AllocF32(kLevelCount);
  bool ok = counts != nullptr && levelTable != nullptr;
  if (ok) {
    std::memset(counts, 0, sizeof(std::int32_t) * kBinCount);
    ok = TakeHistogram(plane, width, height, counts, levelTable);
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

// Every channel's table covers the whole RGB range.
constexpr pipeline::TableRanges kAllLevels{
    {0, 0, 0}, {kRgbFullScale, kRgbFullScale, kRgbFullScale}, {true, true, true}};

bool Clips(const ChannelLevels& levels) {
  return levels.clipHigh > 0 || levels.clipLow > 0;
}

// The channels' histograms concurrently; in channel order, a histogram that cannot be taken
// ends the clipping step for that channel and the ones after it.
void PlanClipping(const pipeline::Planes& planes, std::int32_t width, std::int32_t height,
                  const ChannelLevels levels[3], ClipStep steps[3]) {
  bool found[3] = {false, false, false};
  ClipLevels clip[3]{};
  auto find = [&](int c) {
    if (Clips(levels[c]))
      found[c] = FindClipLevels(planes.plane[c], width, height, levels[c], &clip[c]);
  };
  parallel::Invoke(
      3 * std::int64_t{width} * height, [&] { find(0); }, [&] { find(1); }, [&] { find(2); });
  for (int c = 0; c < 3; ++c) {
    if (!Clips(levels[c])) continue;
    if (!found[c]) return;
    steps[c] = StepFor(clip[c]);
  }
}

// Everything after the first clamp, for one channel: clipping stretch, input levels with
// gamma, output levels, a clamp after each. Only sample values matter, so a plane holding
// every value once gives the channel's table.
void ChannelChain(std::int16_t* plane, std::int32_t step, std::int32_t width, std::int32_t height,
                  const ClipStep& clip, const ChannelLevels& levels,
                  pipeline::FrameMemory* memory = nullptr) {
  if (clip.stretch)
    ContrastStretchRows(plane, step, width, height, clip.levels.low, clip.levels.high, memory);
  if (clip.clamp) {
    ReplaceOutOfRangeS16C1(plane, step, ImageSize{width, height}, 0, 0, kRgbFullScale,
                           kRgbFullScale);
  }
  LevelPlane(plane, step, width, height, levels.inLow, levels.inHigh, levels.gamma, kRgbScale,
             memory);
  ClampPlaneRows(plane, step, width, height);
  ApplyOutputLevelRows(plane, step, width, height, levels.outLow, levels.outHigh, memory);
  ClampPlaneRows(plane, step, width, height);
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
// the per-sample road finds them.
// Each clipped channel's clipping step and, when `mean` is given, its mean level.
void ClipFromCounts(const pipeline::ChannelCounts& counts, std::int32_t width, std::int32_t height,
                    const ChannelLevels levels[3], ClipStep steps[3], double mean[3]) {
  for (int c = 0; c < 3; ++c) {
    if (!Clips(levels[c])) continue;
    // The counts are plain 32-bit counters, as the histogram's bins are.
    const auto* bins = reinterpret_cast<const std::int32_t*>(counts.bins(c));
    steps[c] = StepFor(ClipLevelsOf(bins, nullptr, levels[c], width, height));
    if (mean == nullptr) continue;
    // Samples at 4080 fall in no bin: they are the rest.
    const double all = static_cast<double>(width) * height;
    double sum = 0.0, n = 0.0;
    for (std::int32_t k = 0; k < kBinCount; ++k) {
      sum += static_cast<double>(k) * bins[k];
      n += bins[k];
    }
    mean[c] = all > 0.0 ? (sum + (all - n) * kRgbFullScale) / all : 0.0;
  }
}

// The counting pass when a channel clips: each clipped channel's black and white points (and
// mean level, when asked). False when memory is short.
bool CountClipping(pipeline::FrameWork& work, const ChannelLevels levels[3], ClipStep clip[3],
                   double mean[3] = nullptr) {
  const bool clips[3] = {Clips(levels[0]), Clips(levels[1]), Clips(levels[2])};
  if (!clips[0] && !clips[1] && !clips[2]) return true;
  pipeline::ChannelCounts counts(work.memory());
  if (!work.Count(kBinCount, clips, &counts)) return false;
  ClipFromCounts(counts, work.width(), work.height(), levels, clip, mean);
  return true;
}

// The channel chains as tables over 0..4080 (the lookup clamps each sample into the table
// first, which is the first clamp), and one map pass. False, with the frame untouched, when
// memory is short.
bool MapThroughTables(pipeline::FrameWork& work, const ClipStep clip[3],
                      const ChannelLevels levels[3]) {
  // With the channels in step (Sync RGB), one table serves all three.
  int sameAs[3] = {-1, -1, -1};
  for (int c = 1; c < 3; ++c) {
    for (int d = 0; d < c && sameAs[c] < 0; ++d) {
      if (SameChain(clip[c], levels[c], clip[d], levels[d])) sameAs[c] = d;
    }
  }
  pipeline::ChannelTables tables(work.memory());
  const bool built = tables.Build(
      kAllLevels,
      [&](int c, std::int16_t* plane, std::int32_t step, std::int32_t width, std::int32_t height) {
        ChannelChain(plane, step, width, height, clip[c], levels[c], work.memory());
      },
      sameAs);
  return built && work.Map(tables.lookups());
}

// The stages on three planes of R, G and B: the first clamp, the clipping step (from the
// planes' histograms when `clip` is null), the chains.
bool OnPlanes(pipeline::FrameWork& work, const ChannelLevels levels[3], const ClipStep* clip) {
  const std::int32_t w = work.width(), h = work.height();
  return work.OnPlanes([&](const pipeline::Planes& p) {
    for (int c = 0; c < 3; ++c) ClampPlaneRows(p.plane[c], p.step, w, h);
    ClipStep found[3];
    if (clip == nullptr) PlanClipping(p, w, h, levels, found);
    const ClipStep* steps = clip != nullptr ? clip : found;
    for (int c = 0; c < 3; ++c) ChannelChain(p.plane[c], p.step, w, h, steps[c], levels[c]);
  });
}

// Each slider of a channel held to its row's range.
QuillonChannel Held(const QuillonChannel& ch, std::int32_t c) {
  const pipeline::SliderRow* rows = kQuillonLevelSliders + kLevelsTracksPerChannel * c;
  QuillonChannel h;
  h.clipHigh = rows[TrackClipHigh].Held(ch.clipHigh);
  h.clipLow = rows[TrackClipLow].Held(ch.clipLow);
  h.inHigh = rows[TrackInFirst].Held(ch.inHigh);
  h.inLow = rows[TrackInSecond].Held(ch.inLow);
  h.outHigh = rows[TrackOutFirst].Held(ch.outHigh);
  h.outLow = rows[TrackOutSecond].Held(ch.outLow);
  h.gamma = kQuillonLevelSliders[kLevelsGammaTrack + c].Held(ch.gamma);
  return h;
}

}  // namespace

QuillonLevelSettings QuillonLevelSettingsOf(const std::int32_t* sliders,
                                            const std::int32_t* checks) {
  QuillonLevelSettings s;
  for (std::int32_t c = 0; c < 3; ++c) {
    const std::int32_t* block = sliders + kLevelsTracksPerChannel * c;
    QuillonChannel ch;
    ch.clipHigh = block[TrackClipHigh];
    ch.clipLow = block[TrackClipLow];
    ch.inHigh = block[TrackInFirst];
    ch.inLow = block[TrackInSecond];
    ch.outHigh = block[TrackOutFirst];
    ch.outLow = block[TrackOutSecond];
    ch.gamma = sliders[kLevelsGammaTrack + c];
    s.channel[c] = Held(ch, c);
  }
  s.syncRgb = checks[kSyncRgbCheck] != 0;
  return s;
}

void QuillonLevelValues(const QuillonLevelSettings& settings, std::int32_t* sliders,
                        std::int32_t* checks) {
  for (std::int32_t c = 0; c < 3; ++c) {
    const QuillonChannel& ch = settings.channel[c];
    std::int32_t* block = sliders + kLevelsTracksPerChannel * c;
    block[TrackClipHigh] = ch.clipHigh;
    block[TrackClipLow] = ch.clipLow;
    block[TrackInFirst] = ch.inHigh;
    block[TrackInSecond] = ch.inLow;
    block[TrackOutFirst] = ch.outHigh;
    block[TrackOutSecond] = ch.outLow;
    sliders[kLevelsGammaTrack + c] = ch.gamma;
  }
  checks[kSyncRgbCheck] = settings.syncRgb ? 1 : 0;
  checks[kQuillonLevelHelpButton] = 0;
}

bool MovedSlider(std::int32_t* sliders, const std::int32_t* checks, std::int32_t n) {
  if (checks[kSyncRgbCheck] == 0 || n < 0 || n >= kLevelsTrackCount) return false;
  const SyncPartners partners = SyncPartnersOf(n);
  sliders[partners.first] = sliders[n];
  sliders[partners.second] = sliders[n];
  return true;
}

pipeline::Outcome QuillonLevel(const QuillonLevelSettings& settings,
                               const pipeline::Picture& picture, pipeline::Road road) {
  using pipeline::Outcome;
  pipeline::FrameWork work(picture, pipeline::Space::kRgb, road);
  if (!work.Open()) return Outcome::kFailed;
  if (work.empty()) return Outcome::kUnchanged;
  ChannelLevels levels[3];
  for (int c = 0; c < 3; ++c) levels[c] = ReadChannelLevels(Held(settings.channel[c], c));
  if (work.TablesPay(kAllLevels.Values())) {
    ClipStep clip[3];
    if (CountClipping(work, levels, clip) && MapThroughTables(work, clip, levels)) {
      return Outcome::kDone;
    }
  }
  return OnPlanes(work, levels, nullptr) ? Outcome::kDone : Outcome::kFailed;
}

namespace {

// "Quillon Level" in two steps: the clipping points are what it measures, and what a smoothed
// measurement replaces.
class QuillonLevelJob final : public pipeline::FrameJob {
 public:
  QuillonLevelJob(const QuillonLevelSettings& settings, const pipeline::Picture& picture,
                  pipeline::Road road)
      : work_(picture, pipeline::Space::kRgb, road) {
    for (int c = 0; c < 3; ++c) levels_[c] = ReadChannelLevels(Held(settings.channel[c], c));
  }

  bool Measure() override {
    if (!work_.Open()) return false;
    double mean[3] = {};
    if (!work_.empty() && !CountClipping(work_, levels_, clip_, mean)) return false;
    measured_ = true;
    // The black and white points of the clipped channels, anchored at the channel's mean;
    // level and span those of the clipped channels.
    std::int32_t clipped = 0;
    for (int c = 0; c < 3; ++c) {
      measure_.values[2 * c] = clip_[c].levels.low;
      measure_.values[2 * c + 1] = clip_[c].levels.high;
      measure_.anchor[c] = mean[c];
      measure_.scaled[c] = true;
      if (!Clips(levels_[c])) continue;
      measure_.level += mean[c] / kRgbScale;
      measure_.span += (clip_[c].levels.high - clip_[c].levels.low) / kRgbScale;
      ++clipped;
    }
    measure_.count = clipped > 0 ? 6 : 0;
    measure_.perChannel = 2;
    if (clipped > 0) {
      measure_.level /= clipped;
      measure_.span /= clipped;
    }
    return true;
  }
  const pipeline::FrameMeasure& measure() const override { return measure_; }

  pipeline::Outcome Finish(const pipeline::FrameMeasure* params) override {
    using pipeline::Outcome;
    if (!measured_) return Outcome::kFailed;
    if (work_.empty()) return Outcome::kUnchanged;
    ClipStep clip[3];
    for (int c = 0; c < 3; ++c) {
      clip[c] = clip_[c];
      if (params == nullptr || params->count == 0 || !Clips(levels_[c])) continue;
      clip[c] = StepFor({static_cast<float>(params->values[2 * c]),
                         static_cast<float>(params->values[2 * c + 1])});
    }
    if (work_.TablesPay(kAllLevels.Values()) && MapThroughTables(work_, clip, levels_)) {
      return Outcome::kDone;
    }
    return OnPlanes(work_, levels_, clip) ? Outcome::kDone : Outcome::kFailed;
  }

 private:
  pipeline::FrameWork work_;
  ChannelLevels levels_[3];
  ClipStep clip_[3];
  bool measured_ = false;
  pipeline::FrameMeasure measure_{};
};

}  // namespace

pipeline::FrameJobPtr QuillonLevelFrameJob(const QuillonLevelSettings& settings,
                                           const pipeline::Picture& picture, pipeline::Road road) {
  return pipeline::MakeFrameJob<QuillonLevelJob>(picture, settings, picture, road);
}

}  // namespace tessaro
