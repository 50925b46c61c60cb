// A stream's frames through the filter chain with each stage's parameters smoothed over the
// frames around each frame: the mean of the measurements of the frames within the radius
// before and after it that lie in its scene. A stage holds a frame until it has measured the
// radius frames that follow (or the stream ends), so each stage keeps radius + 1 frames.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "failure.h"
#include "filter_chain.h"
#include "pipeline/smoothing.h"
#include "y4m.h"

namespace tessaro::tools {

// A frame in flight: its bytes (laid out as the host reads and writes them) and the picture
// over them, which stays valid while the frame is held.
struct HeldFrame {
  Y4mFrame frame;
  pipeline::Picture picture;
  std::int64_t number = 0;  // from 1, for messages
};

class LookAhead {
 public:
  LookAhead(FilterChain* chain, std::int32_t radius, double sceneCut);

  // A frame in; every frame that has passed every stage is appended to `ready`, in order.
  // Fails when a stage cannot process a frame (memory short).
  Failure Push(std::unique_ptr<HeldFrame> frame, std::vector<std::unique_ptr<HeldFrame>>* ready);
  // The end of the stream: every frame still held comes out.
  Failure Finish(std::vector<std::unique_ptr<HeldFrame>>* ready);

 private:
  struct Pending {
    std::unique_ptr<HeldFrame> frame;
    pipeline::FrameJobPtr job;
    std::int64_t index;
  };
  struct Stage {
    FilterStage* stage;
    pipeline::Smoother smoother;
    std::deque<Pending> pending;
  };

  Failure Enter(std::size_t s, std::unique_ptr<HeldFrame> frame,
                std::vector<std::unique_ptr<HeldFrame>>* ready);
  // Finishes the oldest frames of stage s while `all`, or while the radius after them has
  // been measured, and hands them on.
  Failure Release(std::size_t s, bool all, std::vector<std::unique_ptr<HeldFrame>>* ready);

  std::int32_t radius_;
  std::vector<std::unique_ptr<Stage>> stages_;
};

// A stage that could not process a frame (its memory ran out) ends the run.
Failure Unprocessed(const char* filter, std::int64_t frame);

}  // namespace tessaro::tools
