#include "filter_stage.h"

#include <atomic>

namespace tessaro::tools {
namespace {

// Atomic: a plug-in's instances may be moved on several threads at once.
std::atomic<int> g_refreshRequests{0};

std::string Quoted(const std::string& s) {
  return "\"" + s + "\"";
}

}  // namespace

FilterStage::FilterStage(const FilterEntry& entry) : entry_(&entry), controls_(entry.Defaults()) {}

int FilterStage::RefreshRequests() {
  return g_refreshRequests;
}

std::string FilterStage::TrackList() const {
  std::string list;
  for (const pipeline::SliderRow& row : entry_->sliders) {
    if (!list.empty()) list += ", ";
    list += std::string(row.name) + " (" + std::to_string(row.min) + ".." +
            std::to_string(row.max) + ")";
  }
  return list.empty() ? "none" : list;
}

std::string FilterStage::CheckList() const {
  std::string list, buttons;
  for (const pipeline::CheckRow& row : entry_->checks) {
    std::string& to = row.button ? buttons : list;
    if (!to.empty()) to += ", ";
    to += row.name;
  }
  return (list.empty() ? "none" : list) + (buttons.empty() ? "" : "; buttons: " + buttons);
}

Failure FilterStage::FindTrack(const std::string& track, int* index) const {
  for (std::size_t i = 0; i < entry_->sliders.size(); ++i) {
    if (track == entry_->sliders[i].name) {
      *index = static_cast<int>(i);
      return {};
    }
  }
  return Fail(ExitStatus::kRefused, Quoted(name()) + " has no slider " + Quoted(track) +
                                        "; its sliders are " + TrackList());
}

Failure FilterStage::SetTrack(const std::string& track, std::int32_t value) {
  int i = 0;
  if (Failure f = FindTrack(track, &i)) return f;
  const pipeline::SliderRow& row = entry_->sliders[static_cast<std::size_t>(i)];
  if (value < row.min || value > row.max) {
    return Fail(ExitStatus::kRefused, "slider " + Quoted(track) + " of " + Quoted(name()) +
                                          " takes " + std::to_string(row.min) + ".." +
                                          std::to_string(row.max) + ", not " +
                                          std::to_string(value));
  }
  SetTrackAt(i, value);
  return {};
}

Failure FilterStage::MoveTrack(const std::string& track, std::int32_t value) {
  if (Failure f = SetTrack(track, value)) return f;
  int i = 0;
  FindTrack(track, &i);
  MoveTrackAt(i, value);
  return {};
}

Failure FilterStage::SetCheck(const std::string& check, std::int32_t value) {
  for (std::size_t i = 0; i < entry_->checks.size(); ++i) {
    if (check != entry_->checks[i].name) continue;
    if (entry_->checks[i].button) {
      return Fail(ExitStatus::kRefused, Quoted(check) + " of " + Quoted(name()) +
                                            " is a button, not a check box; its check boxes are " +
                                            CheckList());
    }
    if (value != 0 && value != 1) {
      return Fail(ExitStatus::kRefused,
                  "check box " + Quoted(check) + " takes 0 or 1, not " + std::to_string(value));
    }
    SetCheckAt(static_cast<int>(i), value);
    return {};
  }
  return Fail(ExitStatus::kRefused, Quoted(name()) + " has no check box " + Quoted(check) +
                                        "; its check boxes are " + CheckList());
}

Failure FilterStage::PressButton(const std::string& button, const char** help) {
  for (std::size_t i = 0; i < entry_->checks.size(); ++i) {
    if (button == entry_->checks[i].name && entry_->checks[i].button) {
      return ButtonPressed(static_cast<int>(i), help);
    }
  }
  return Fail(ExitStatus::kRefused,
              Quoted(name()) + " has no button " + Quoted(button) + "; " + CheckList());
}

Failure FilterStage::ButtonPressed(int /*index*/, const char** help) {
  // The filters' one button shows their help.
  *help = entry_->help;
  return {};
}

void FilterStage::SetTrackAt(int index, std::int32_t value) {
  controls_.sliders[static_cast<std::size_t>(index)] = value;
}

void FilterStage::MoveTrackAt(int index, std::int32_t value) {
  SetTrackAt(index, value);
  if (SliderMoved(index)) ++g_refreshRequests;
}

void FilterStage::SetCheckAt(int index, std::int32_t value) {
  controls_.checks[static_cast<std::size_t>(index)] = value;
}

bool FilterStage::SliderMoved(int index) {
  return entry_->moved != nullptr && entry_->moved(&controls_, index);
}

pipeline::Outcome FilterStage::Process(const pipeline::Picture& picture, pipeline::Road road) {
  return entry_->run(controls_, picture, road);
}

pipeline::FrameJobPtr FilterStage::Job(const pipeline::Picture& picture, pipeline::Road road) {
  return entry_->job(controls_, picture, road);
}

CausalSmoothing::CausalSmoothing(std::int32_t radius, double sceneCut)
    : sceneCut_(sceneCut), smoother_(radius, sceneCut) {}

void CausalSmoothing::SetRadius(std::int32_t radius) {
  if (radius != smoother_.radius()) smoother_ = pipeline::Smoother(radius, sceneCut_);
}

pipeline::Outcome CausalSmoothing::Process(FilterStage& stage, const pipeline::Picture& picture,
                                           pipeline::Road road) {
  if (smoother_.radius() == 0) return stage.Process(picture, road);
  pipeline::FrameJobPtr job = stage.Job(picture, road);
  if (job == nullptr) return stage.Process(picture, road);
  if (!job->Measure()) return pipeline::Outcome::kFailed;
  const pipeline::FrameMeasure params = smoother_.ParametersOf(smoother_.Add(job->measure()));
  return job->Finish(&params);
}

std::string FilterStage::DescribeSettings() const {
  std::string s = std::string(name()) + ":";
  for (std::size_t i = 0; i < entry_->sliders.size(); ++i) {
    s += " " + std::string(entry_->sliders[i].name) + "=" + std::to_string(controls_.sliders[i]);
  }
  for (std::size_t i = 0; i < entry_->checks.size(); ++i) {
    if (entry_->checks[i].button) continue;
    s += " [" + std::string(entry_->checks[i].name) + "]=" + std::to_string(controls_.checks[i]);
  }
  return s;
}

}  // namespace tessaro::tools
