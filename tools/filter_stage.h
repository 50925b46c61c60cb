// One filter as the user set it up, its controls named as its rows name them: what every host
// of the filters shares to turn its own settings into a filter's, and to run it on a picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "failure.h"
#include "filter_catalog.h"

namespace tessaro::tools {

class FilterStage {
 public:
  explicit FilterStage(const FilterEntry& entry);
  virtual ~FilterStage() = default;
  FilterStage(const FilterStage&) = default;
  FilterStage& operator=(const FilterStage&) = default;

  const FilterEntry& entry() const { return *entry_; }
  const char* name() const { return entry_->name; }
  const Controls& controls() const { return controls_; }

  // Each refuses an unknown name, a value out of range, or a button given as a check box,
  // and says what is valid.
  Failure SetTrack(const std::string& track, std::int32_t value);
  Failure SetCheck(const std::string& check, std::int32_t value);
  // As a slider movement in the editor: the value is set, and "Sync RGB" moves the same
  // slider of the other channels.
  Failure MoveTrack(const std::string& track, std::int32_t value);
  // The button's action: *help receives the text it shows (null when the filter showed it
  // itself).
  Failure PressButton(const std::string& button, const char** help);

  // By index, for hosts that have checked the index and the value themselves.
  void SetTrackAt(int index, std::int32_t value);
  void MoveTrackAt(int index, std::int32_t value);
  void SetCheckAt(int index, std::int32_t value);

  virtual pipeline::Outcome Process(const pipeline::Picture& picture,
                                    pipeline::Road road = pipeline::Road::kChoose);
  // The picture in two steps (FrameJob), for hosts that smooth over time; null where the
  // stage cannot (a module driven through its export).
  virtual pipeline::FrameJobPtr Job(const pipeline::Picture& picture,
                                    pipeline::Road road = pipeline::Road::kChoose);
  std::string DescribeSettings() const;

  // How often a movement moved other sliders (the editor would refresh the filter's window),
  // in this process.
  static int RefreshRequests();

 protected:
  // The slider at index was moved: true when others moved with it.
  virtual bool SliderMoved(int index);
  // The button at index was pressed; *help as PressButton gives it.
  virtual Failure ButtonPressed(int index, const char** help);
  Controls& values() { return controls_; }

 private:
  Failure FindTrack(const std::string& track, int* index) const;
  std::string TrackList() const;
  std::string CheckList() const;

  const FilterEntry* entry_;
  Controls controls_;
};

// A stage's parameters smoothed over the previous frames of one stream, as a live host sees
// them: each frame's parameters are the mean of its own measurement and those of up to
// `radius` frames before it, in its scene.
class CausalSmoothing {
 public:
  explicit CausalSmoothing(std::int32_t radius = 0, double sceneCut = pipeline::kDefaultSceneCut);
  std::int32_t radius() const { return smoother_.radius(); }
  // A new radius starts afresh.
  void SetRadius(std::int32_t radius);
  // A seek, a new stream: the frames before count no more.
  void Restart() { smoother_.Restart(); }
  // The picture through the stage: with radius 0 exactly as Process.
  pipeline::Outcome Process(FilterStage& stage, const pipeline::Picture& picture,
                            pipeline::Road road = pipeline::Road::kChoose);

 private:
  double sceneCut_;
  pipeline::Smoother smoother_;
};

}  // namespace tessaro::tools
