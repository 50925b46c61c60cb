// One filter on one source's frames as OBS hands them: the user's settings, the smoothing of
// the filter's measurements over the frames before, and when the stream starts afresh.
#pragma once

#include <cstdint>

#include "filter_stage.h"
#include "obs_api.h"
#include "pipeline/frame_memory.h"

namespace tessaro::tools {

class LiveFilter {
 public:
  explicit LiveFilter(const FilterEntry& entry);

  // The settings as the filter's properties hold them (sliders held to their ranges) and the
  // smoothing in frames (0..kMaxSmoothing); they apply from the next frame.
  void Set(const Controls& controls, std::int32_t smoothing);

  enum class Result {
    kDone,      // the frame holds the result, or the filter left it by design
    kNotTaken,  // a format the filters cannot take: the frame passes unchanged
    kFailed,    // memory ran out: the frame passes unchanged
  };
  // The frame, rewritten in place.
  Result Filter(obs::SourceFrame* frame);

  const FilterStage& stage() const { return stage_; }

  static constexpr std::int32_t kMaxSmoothing = 100;
  // A frame this long after the one before, or not after it, starts a new stream: a source
  // paused and resumed, a seek, a loop.
  static constexpr std::uint64_t kMaxGapNs = 500'000'000;

 private:
  // Whether the frame continues the stream of the frames before it.
  bool Continues(const obs::SourceFrame& frame);

  FilterStage stage_;
  CausalSmoothing smoothing_;
  // The frames' buffers, kept from frame to frame: after the first frame of a size and format
  // a frame takes nothing from the heap on OBS's video thread.
  pipeline::FrameMemory memory_;
  bool started_ = false;
  std::uint64_t lastTime_ = 0;
  obs::VideoFormat format_ = obs::VideoFormat::kNone;
  std::uint32_t width_ = 0, height_ = 0;
  bool fullRange_ = false;
};

}  // namespace tessaro::tools
