// A filter's parameters over time. Each frame's measurement (what the filter derives its
// parameters from) goes to a smoother kept by the host for its stream; the parameters of a
// frame are then the mean of the measurements of the frames around it that lie in its scene,
// each taken to the frame's own level first (scaled by the ratio of the levels, or moved by
// their difference where a channel has no black to scale from, as chroma). Averaging the
// extremes steadies what noise moves from frame to frame; keeping each frame's own level
// follows what exposure changes (flicker, a fade, a ramp) at once, where a plain average
// would stretch the flicker by the filter's gain and lag behind a ramp. A cut lies between two
// frames whose mean level differs by more than the threshold, or whose span differs by more than
// twice it: no window reaches across one, on either side. The filters keep no state; this is the
// host's.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pipeline/picture.h"

namespace tessaro::pipeline {

// What a filter measured of one frame.
struct FrameMeasure {
  static constexpr int kMaxValues = 9;
  std::array<double, kMaxValues> values{};
  std::int32_t count = 0;  // 0: nothing the filter smooths, with these settings
  // Values k * perChannel .. (k + 1) * perChannel - 1 belong to channel k, whose level (in
  // their units) is anchor[k]; scaled[k]: they scale with it (samples from black), otherwise
  // they move with it. perChannel 0: the values are averaged as they are.
  std::int32_t perChannel = 0;
  std::array<double, 3> anchor{};
  std::array<bool, 3> scaled{};
  double level = 0.0;  // mean brightness, as a fraction of full scale
  double span = 0.0;   // the range the samples take, as a fraction of full scale
};

// The default threshold of a cut, in codes of 255 (of mean level; twice it of span).
inline constexpr double kDefaultSceneCut = 20.0;

class Smoother {
 public:
  // radius: the frames before and after a frame that count with it (those after only as far
  // as they have been added); 0 gives every frame its own measurement. sceneCut: the
  // threshold, in codes of 255.
  explicit Smoother(std::int32_t radius, double sceneCut = kDefaultSceneCut);

  // Frame n's measurement, n counting from 0 (from the last Restart); returns n.
  std::int64_t Add(const FrameMeasure& m);
  // The parameters of frame n, one of the last 2 radius + 1 added: the mean of the
  // measurements of the frames within radius of it, added so far, in its scene, each taken
  // to frame n's anchors.
  FrameMeasure ParametersOf(std::int64_t n) const;
  // A seek, or a new stream: nothing before counts any more.
  void Restart();

  std::int32_t radius() const { return radius_; }
  std::int64_t added() const { return added_; }
  // Whether a cut lies between frames n - 1 and n.
  bool CutBefore(std::int64_t n) const;

 private:
  struct Entry {
    FrameMeasure measure;
    std::int64_t scene = 0;
  };
  const Entry& At(std::int64_t n) const;

  std::int32_t radius_;
  double levelCut_, spanCut_;
  std::vector<Entry> ring_;
  std::int64_t added_ = 0;
};

}  // namespace tessaro::pipeline
