// Filters in the order the user gave them, run on one picture after another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "command_line.h"
#include "failure.h"
#include "host_session.h"
#include "yc_image.h"

namespace tessaro::tools {

class FilterChain {
 public:
  // Resolves names and applies each filter's settings in order; refusals say what is valid.
  static Failure Build(StartedFilters* filters, const std::vector<FilterRequest>& requests,
                       FilterChain* chain);
  static Failure Build(HostSession* session, const std::vector<FilterRequest>& requests,
                       FilterChain* chain) {
    return Build(session->started(), requests, chain);
  }

  void Add(FilterStage stage) { stages_.push_back(std::move(stage)); }
  const std::vector<FilterStage>& stages() const { return stages_; }
  // For settings that change between pictures, as the user moves sliders during playback.
  FilterStage& stage(std::size_t i) { return stages_[i]; }

  // Every stage in turn on the host's buffers (rows of width + rowPad pixels); the result
  // replaces the image. `accepted` receives each processing callback's answer. The filters
  // may use all of both buffers as scratch, padding included.
  void Run(YcImage* image, std::int32_t rowPad, std::vector<HostBool>* accepted = nullptr);

 private:
  std::vector<FilterStage> stages_;
  std::unique_ptr<FrameBuffers> buffers_;
  std::int32_t width_ = 0, height_ = 0, rowPad_ = 0;
};

}  // namespace tessaro::tools
