#include "filter_chain.h"

namespace tessaro::tools {

Failure FilterChain::Build(StartedFilters* filters, const std::vector<FilterRequest>& requests,
                           FilterChain* chain) {
  for (const FilterRequest& request : requests) {
    FilterDescriptor* filter = nullptr;
    if (Failure f = filters->Find(request.name, &filter)) return f;
    FilterStage stage(filter, filters->services());
    for (const Setting& s : request.settings) {
      Failure f;
      switch (s.kind) {
        case Setting::kSet:
          f = stage.SetTrack(s.name, s.value);
          break;
        case Setting::kCheck:
          f = stage.SetCheck(s.name, s.value);
          break;
        case Setting::kMove:
          f = stage.MoveTrack(s.name, s.value);
          break;
      }
      if (f) return f;
    }
    chain->Add(std::move(stage));
  }
  return {};
}

void FilterChain::Run(YcImage* image, std::int32_t rowPad, std::vector<HostBool>* accepted) {
  if (accepted != nullptr) accepted->clear();
  if (stages_.empty()) return;
  if (!buffers_ || width_ != image->width || height_ != image->height || rowPad_ != rowPad) {
    buffers_ = std::make_unique<FrameBuffers>(image->width, image->height, rowPad);
    width_ = image->width;
    height_ = image->height;
    rowPad_ = rowPad;
  }
  buffers_->Load(*image);
  for (FilterStage& stage : stages_) {
    const HostBool result = stage.Process(buffers_->info());
    if (accepted != nullptr) accepted->push_back(result);
  }
  buffers_->Store(image);
}

}  // namespace tessaro::tools
