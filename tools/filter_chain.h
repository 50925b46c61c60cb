// Filters in the order the user gave them, run on one picture after another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "command_line.h"
#include "failure.h"
#include "frame_buffers.h"
#include "host_session.h"
#include "yc_image.h"

namespace tessaro::tools {

class FilterChain {
 public:
  // Resolves names and applies each filter's settings in order; refusals say what is valid.
  static Failure Build(HostSession* session, const std::vector<FilterRequest>& requests,
                       FilterChain* chain);

  const std::vector<std::unique_ptr<FilterStage>>& stages() const { return stages_; }
  // For settings that change between pictures, as the user moves sliders during playback.
  FilterStage& stage(std::size_t i) { return *stages_[i]; }

  // Every stage in turn on the host's picture. A stage that fails stops the chain with the
  // picture as the stages before it left it; returns the failing stage's name, or null.
  const char* Run(const pipeline::Picture& picture,
                  std::vector<pipeline::Outcome>* outcomes = nullptr);
  // Every stage in turn on the editor's frame (rows of width + rowPad pixels), which may use
  // all of both buffers as scratch, padding included; the result replaces the image.
  const char* Run(YcImage* image, std::int32_t rowPad,
                  std::vector<pipeline::Outcome>* outcomes = nullptr);

 private:
  std::vector<std::unique_ptr<FilterStage>> stages_;
  std::unique_ptr<FrameBuffers> buffers_;
};

}  // namespace tessaro::tools
