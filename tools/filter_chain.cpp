#include "filter_chain.h"

namespace tessaro::tools {

Failure FilterChain::Build(HostSession* session, const std::vector<FilterRequest>& requests,
                           FilterChain* chain) {
  for (const FilterRequest& request : requests) {
    std::unique_ptr<FilterStage> stage;
    if (Failure f = session->NewStage(request.name, &stage)) return f;
    for (const Setting& s : request.settings) {
      Failure f;
      switch (s.kind) {
        case Setting::kSet:
          f = stage->SetTrack(s.name, s.value);
          break;
        case Setting::kCheck:
          f = stage->SetCheck(s.name, s.value);
          break;
        case Setting::kMove:
          f = stage->MoveTrack(s.name, s.value);
          break;
      }
      if (f) return f;
    }
    chain->stages_.push_back(std::move(stage));
  }
  return {};
}

const char* FilterChain::Run(const pipeline::Picture& picture,
                             std::vector<pipeline::Outcome>* outcomes) {
  if (outcomes != nullptr) outcomes->clear();
  for (const std::unique_ptr<FilterStage>& stage : stages_) {
    const pipeline::Outcome outcome = stage->Process(picture);
    if (outcomes != nullptr) outcomes->push_back(outcome);
    if (outcome == pipeline::Outcome::kFailed) return stage->name();
  }
  return nullptr;
}

const char* FilterChain::Run(YcImage* image, std::int32_t rowPad,
                             std::vector<pipeline::Outcome>* outcomes) {
  if (outcomes != nullptr) outcomes->clear();
  if (stages_.empty()) return nullptr;
  if (!buffers_ || buffers_->width() != image->width || buffers_->height() != image->height ||
      buffers_->rowLength() != image->width + rowPad) {
    buffers_ = std::make_unique<FrameBuffers>(image->width, image->height, rowPad);
  }
  buffers_->Load(*image);
  const char* failed = Run(buffers_->picture(), outcomes);
  buffers_->Store(image);
  return failed;
}

}  // namespace tessaro::tools
