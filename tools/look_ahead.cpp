#include "look_ahead.h"

#include <string>
#include <utility>

namespace tessaro::tools {

Failure Unprocessed(const char* filter, std::int64_t frame) {
  return Fail(ExitStatus::kInternal, "frame " + std::to_string(frame) + ": filter \"" + filter +
                                         "\" could not process it (out of memory)");
}

LookAhead::LookAhead(FilterChain* chain, std::int32_t radius, double sceneCut) : radius_(radius) {
  for (std::size_t i = 0; i < chain->stages().size(); ++i) {
    stages_.push_back(
        std::make_unique<Stage>(Stage{&chain->stage(i), pipeline::Smoother(radius, sceneCut), {}}));
  }
}

Failure LookAhead::Push(std::unique_ptr<HeldFrame> frame,
                        std::vector<std::unique_ptr<HeldFrame>>* ready) {
  return Enter(0, std::move(frame), ready);
}

Failure LookAhead::Finish(std::vector<std::unique_ptr<HeldFrame>>* ready) {
  // Earlier stages first: what they release still enters the later ones.
  for (std::size_t s = 0; s < stages_.size(); ++s) {
    if (Failure f = Release(s, true, ready)) return f;
  }
  return {};
}

Failure LookAhead::Enter(std::size_t s, std::unique_ptr<HeldFrame> frame,
                         std::vector<std::unique_ptr<HeldFrame>>* ready) {
  if (s == stages_.size()) {
    ready->push_back(std::move(frame));
    return {};
  }
  Stage& st = *stages_[s];
  pipeline::FrameJobPtr job = st.stage->Job(frame->picture);
  if (job == nullptr || !job->Measure()) return Unprocessed(st.stage->name(), frame->number);
  const std::int64_t index = st.smoother.Add(job->measure());
  st.pending.push_back(Pending{std::move(frame), std::move(job), index});
  return Release(s, false, ready);
}

Failure LookAhead::Release(std::size_t s, bool all,
                           std::vector<std::unique_ptr<HeldFrame>>* ready) {
  Stage& st = *stages_[s];
  while (!st.pending.empty() && (all || st.pending.front().index + radius_ < st.smoother.added())) {
    Pending p = std::move(st.pending.front());
    st.pending.pop_front();
    const pipeline::FrameMeasure params = st.smoother.ParametersOf(p.index);
    if (p.job->Finish(&params) == pipeline::Outcome::kFailed) {
      return Unprocessed(st.stage->name(), p.frame->number);
    }
    p.job.reset();
    if (Failure f = Enter(s + 1, std::move(p.frame), ready)) return f;
  }
  return {};
}

}  // namespace tessaro::tools
