// One frame through a filter in two steps, for hosts that smooth the filter's parameters over
// time: the measure pass, then (once the host has the parameters it wants, the frame's own or
// a smoothed measurement) the parameters, the tables and the map pass. A filter's one-step
// entry is the same two steps with the frame's own measurement.
#pragma once

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

}  // namespace tessaro::pipeline
