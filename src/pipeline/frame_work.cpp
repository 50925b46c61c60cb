#include "pipeline/frame_work.h"

#include <algorithm>

#include "pipeline/frame_memory.h"
#include "pipeline/phases.h"
#include "pipeline/status_reducer.h"
#include "primitives/aligned_memory.h"

namespace tessaro::pipeline {
namespace {

// count 16-bit samples from the frame memory or the module's allocator, or null.
std::int16_t* AllocSamples(FrameMemory* memory, std::int64_t count) {
  if (count < 1 || 2 * count > 0x7FFFFFFF) return nullptr;
  return static_cast<std::int16_t*>(memory != nullptr ? memory->Take(2 * count)
                                                      : AllocFrameBytes(2 * count));
}

// The host's picture in bands of row groups, each band decoding its groups into a staging
// buffer of its own: a group's rows are read, worked on and (in the map pass) written while
// they are in cache. All staging is had before any band starts, so a pass that runs at all
// runs on every band.
class Staged {
 public:
  Staged(const PictureCodec& codec, std::int32_t chunks)
      : codec_(codec),
        step_(kPixelBytes * codec.picture().width),
        plan_{codec.groups(), chunks},
        // A band's rows, then the codec's planar scratch.
        stagingSamples_(std::int64_t{3} * codec.picture().width * codec.groupRows() +
                        codec.PlanarSamples()),
        staging_(codec.picture().memory, stagingSamples_ * plan_.chunks) {}
  Staged(const Staged&) = delete;
  Staged& operator=(const Staged&) = delete;

  bool ready() const { return static_cast<bool>(staging_); }
  std::int32_t bands() const { return plan_.chunks; }
  std::int32_t step() const { return step_; }

  // take(rows, region, firstRow, planar) for each group of band b, its samples decoded;
  // planar is the codec's scratch for the band.
  template <typename Take>
  Status EachGroup(std::int32_t b, Take take) const {
    std::int16_t* rows = staging_.get() + stagingSamples_ * b;
    std::int16_t* planar = rows + stagingSamples_ - codec_.PlanarSamples();
    const std::int32_t height = codec_.picture().height;
    for (std::int32_t g = plan_.Begin(b); g < plan_.Begin(b + 1); ++g) {
      const std::int32_t y = g * codec_.groupRows();
      const std::int32_t n = std::min(codec_.groupRows(), height - y);
      codec_.Decode(y, n, rows, step_, planar);
      if (const Status s = take(rows, ImageSize{codec_.picture().width, n}, y, planar);
          s != StatusOk) {
        return s;
      }
    }
    return StatusOk;
  }

 private:
  const PictureCodec& codec_;
  std::int32_t step_;
  parallel::ChunkPlan plan_;
  std::int64_t stagingSamples_;
  FrameBlock<std::int16_t> staging_;
};

// Bands of groups for a pass of the given samples a group.
std::int32_t PassBands(const PictureCodec& codec) {
  const std::int64_t perGroup = std::int64_t{3} * codec.picture().width * codec.groupRows();
  return parallel::PlanChunks(codec.groups(), parallel::RowGrain(perGroup)).chunks;
}

}  // namespace

FrameWork::FrameWork(const Picture& picture, Space space, Road road)
    : picture_(picture), space_(space), road_(road) {}

FrameWork::~FrameWork() {
  if (picture_.memory == nullptr) FreeAligned(decoded_);
}

bool FrameWork::Open() {
  if (!Describable(picture_)) return false;
  if (IsEditorFrame()) {
    buffers_ = picture_.yc;
    workSpace_ = space_ == Space::kRgb ? RgbSamples() : kStoredSamples;
    return true;
  }
  if (empty()) return true;
  if (!codec_.Open(picture_, space_)) return false;
  workSpace_ = codec_.workSpace();
  return true;
}

bool FrameWork::Decoded() {
  if (decoded_ != nullptr) return true;
  const std::int64_t samples = 3 * pixels();
  decoded_ = AllocSamples(picture_.memory, 2 * samples);
  if (decoded_ == nullptr) return false;
  const std::int32_t step = kPixelBytes * width();
  buffers_.edit = {decoded_, step, width(), height()};
  buffers_.temp = {decoded_ + samples, step, width(), height()};
  const std::int32_t rows = codec_.groupRows();
  parallel::ParallelFor(
      codec_.groups(),
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t g = begin; g < end; ++g) {
          const std::int32_t y = g * rows;
          codec_.Decode(y, std::min(rows, height() - y), RowOf(buffers_.edit, y), step);
        }
      },
      parallel::RowGrain(std::int64_t{3} * width() * rows));
  return true;
}

bool FrameWork::Measure(FrameStats* stats, const bool channels[3]) {
  if (IsEditorFrame() || road_ == Road::kPerSample) {
    if (!IsEditorFrame() && !Decoded()) return false;
    working_ = MeasureWorking(buffers_, workSpace_, road_, stats);
    haveWorking_ = true;
    return true;
  }
  if (Rgba()) {
    return space_ == Space::kRgb ? MeasureRgbBytes(picture_, stats)
                                 : MeasureRgbLuma(picture_, channels, stats);
  }
  if (Yuv() && space_ == Space::kYc) {
    haveCodes_ = MeasureYuvCodes(picture_, codec_.lumaSamples(), codec_.chromaSamples(), channels,
                                 stats, &codes_);
    return haveCodes_;
  }
  const PhaseScope phase(Phase::kMeasure);
  Staged staged(codec_, PassBands(codec_));
  const FrameBlock<ChannelStats> bands(picture_.memory, staged.bands());
  bool ok = staged.ready() && bands;
  if (ok) {
    ok = FirstFailing(staged.bands(), [&](std::int32_t b) {
           bool first = true;
           return staged.EachGroup(
               b, [&](const std::int16_t* rows, ImageSize size, std::int32_t, std::int16_t*) {
                 ChannelStats group{};
                 const Status s =
                     MeasureS16C3(rows, staged.step(), size, workSpace_.toWork, nullptr, 0, &group);
                 if (first) {
                   bands[b] = group;
                   first = false;
                 } else {
                   MergeStats(&bands[b], group);
                 }
                 return s;
               });
         }) == StatusOk;
  }
  if (ok) {
    ChannelStats all = bands[0];
    for (std::int32_t b = 1; b < staged.bands(); ++b) MergeStats(&all, bands[b]);
    *stats = StatsOf(all, pixels());
  }
  return ok;
}

bool FrameWork::Count(std::int32_t high, const bool channels[3], ChannelCounts* counts) {
  if (IsEditorFrame()) {
    if (!counts->Count(buffers_.edit, workSpace_, high, channels, &buffers_.temp)) return false;
    // The counting pass kept the working samples there for the map pass.
    working_ = buffers_.temp;
    haveWorking_ = true;
    return true;
  }
  if (Rgba() && space_ == Space::kRgb) return CountRgbBytes(picture_, high, channels, counts);
  const parallel::ChunkPlan bands = CountingBands(width() * codec_.groupRows(), codec_.groups());
  Staged staged(codec_, bands.chunks);
  if (!staged.ready()) return false;
  return counts->Tally(
      bands.chunks, high, channels, [&](std::int32_t b, std::uint32_t* const bins[3]) {
        return staged.EachGroup(b, [&](const std::int16_t* rows, ImageSize size, std::int32_t,
                                       std::int16_t*) {
          return CountS16C3(rows, staged.step(), size, workSpace_.toWork, nullptr, 0, high, bins);
        });
      });
}

bool FrameWork::TablesPay(std::int64_t tableValues) const {
  return UsePipeline(road_, pixels(), tableValues);
}

bool FrameWork::Map(const SampleLookup lookups[3]) {
  if (IsEditorFrame()) {
    // The measured or counted samples, where a pass kept them apart from the frame.
    const bool kept = haveWorking_ && working_.pixels != buffers_.edit.pixels;
    return MapFrame(buffers_.edit, workSpace_, lookups, kept ? &working_ : nullptr) == StatusOk;
  }
  if (Rgba()) {
    return space_ == Space::kRgb ? MapRgbBytes(picture_, lookups) : MapRgbLuma(picture_, lookups);
  }
  if (Yuv() && space_ == Space::kYc && haveCodes_) {
    return MapYuvCodes(picture_, codec_.lumaSamples(), codec_.chromaSamples(), codes_, lookups);
  }
  const PhaseScope phase(Phase::kMap);
  Staged staged(codec_, PassBands(codec_));
  if (!staged.ready()) return false;
  const Status s = FirstFailing(staged.bands(), [&](std::int32_t b) {
    return staged.EachGroup(b, [&](std::int16_t* rows, ImageSize size, std::int32_t y,
                                   std::int16_t* planar) {
      const Status mapped = workSpace_.toWork != nullptr
                                ? MatrixLookupS16C3(rows, staged.step(), rows, staged.step(), size,
                                                    workSpace_.toWork, lookups, workSpace_.toStored)
                                : LookupS16C3(rows, staged.step(), size, lookups);
      if (mapped == StatusOk) codec_.Encode(y, size.height, rows, staged.step(), planar);
      return mapped;
    });
  });
  return s == StatusOk;
}

bool FrameWork::OnPlanes(parallel::FunctionRef<void(const Planes& planes)> work) {
  if (!IsEditorFrame() && !Decoded()) return false;
  if (!haveWorking_) {
    if (!ToWorking(buffers_, workSpace_, &working_)) return false;
    haveWorking_ = true;
  }
  if (!pipeline::OnPlanes(buffers_, working_, workSpace_, work)) return false;
  if (IsEditorFrame()) return true;
  // The stored samples, back into the host's picture.
  const std::int32_t rows = codec_.groupRows();
  parallel::ParallelFor(
      codec_.groups(),
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t g = begin; g < end; ++g) {
          const std::int32_t y = g * rows;
          codec_.Encode(y, std::min(rows, height() - y), RowOf(buffers_.edit, y),
                        buffers_.edit.step);
        }
      },
      parallel::RowGrain(std::int64_t{3} * width() * rows));
  return true;
}

}  // namespace tessaro::pipeline
