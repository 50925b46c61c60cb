// One frame through a filter in two steps, for hosts that smooth the filter's parameters over
// time: the measure pass, then (once the host has the parameters it wants, the frame's own or
// a smoothed measurement) the parameters, the tables and the map pass. A filter's one-step
// entry is the same two steps with the frame's own measurement.
#pragma once

#include <memory>
#include <new>
#include <utility>

#include "pipeline/frame_memory.h"
#include "pipeline/picture.h"
#include "pipeline/smoothing.h"

namespace tessaro::pipeline {

class FrameJob {
 public:
  virtual ~FrameJob() = default;

  // The measure pass; false when memory is short or the picture cannot be worked on (Finish
  // then gives kFailed).
  virtual bool Measure() = 0;
  // What it measured: nothing (count 0) where the settings leave nothing to smooth.
  virtual const FrameMeasure& measure() const = 0;
  // The frame's parameters from `params` (of the same filter and settings), or from its own
  // measurement when null, then the map pass.
  virtual Outcome Finish(const FrameMeasure* params) = 0;
};

// A job made in a host's frame memory ends with its destructor alone: the memory is the
// host's, and free again at its next frame.
struct FrameJobDelete {
  bool kept = false;
  void operator()(FrameJob* job) const {
    if (kept) {
      job->~FrameJob();
    } else {
      delete job;
    }
  }
};
using FrameJobPtr = std::unique_ptr<FrameJob, FrameJobDelete>;

// A job of type J for the picture: in its frame memory when the host keeps one, else on the
// heap. Null when memory is short.
template <typename J, typename... Args>
FrameJobPtr MakeFrameJob(const Picture& picture, Args&&... args) {
  if (picture.memory == nullptr) {
    return FrameJobPtr(new (std::nothrow) J(std::forward<Args>(args)...), FrameJobDelete{false});
  }
  void* at = picture.memory->Take(sizeof(J));
  if (at == nullptr) return FrameJobPtr(nullptr, FrameJobDelete{true});
  return FrameJobPtr(new (at) J(std::forward<Args>(args)...), FrameJobDelete{true});
}

}  // namespace tessaro::pipeline
