// One picture as a filter works on it: its samples in the filter's space, and the passes over
// them. On the fast road the measure (or counting) pass reads the host's picture and the map
// pass reads it and writes the result once; the per-sample road converts the picture into
// three planes and runs every stage on every sample. The editor's frames keep the measured
// samples in their scratch buffer for the map pass; every other host's picture is read where
// it lies, a few rows at a time.
#pragma once

#include <cstdint>

#include "parallel/parallel.h"
#include "pipeline/frame_pipeline.h"
#include "pipeline/picture.h"
#include "pipeline/picture_codec.h"
#include "pipeline/picture_passes.h"

namespace tessaro::pipeline {

inline constexpr bool kAllChannels[3] = {true, true, true};

class FrameWork {
 public:
  FrameWork(const Picture& picture, Space space, Road road);
  ~FrameWork();
  FrameWork(const FrameWork&) = delete;
  FrameWork& operator=(const FrameWork&) = delete;

  // False when the description is not safe to work on, or memory is short for reading it.
  bool Open();
  std::int32_t width() const { return picture_.width; }
  std::int32_t height() const { return picture_.height; }
  std::int64_t pixels() const { return picture_.pixels(); }
  // The host's memory for the frame's buffers, or null (frame_memory.h).
  FrameMemory* memory() const { return picture_.memory; }
  bool empty() const { return pixels() == 0; }

  // Per-channel extremes and means of the working samples, of the channels asked for at
  // least (the others may stay 0). False when memory is short.
  bool Measure(FrameStats* stats, const bool channels[3] = kAllChannels);
  // Histograms of the working samples clamped into 0..high (the fast road's counting pass).
  // False, with nothing counted, when memory is short.
  bool Count(std::int32_t high, const bool channels[3], ChannelCounts* counts);
  // Whether tables of this many values pay on this road for this picture.
  bool TablesPay(std::int64_t tableValues) const;
  // The map pass: every channel through its lookup, and the result into the picture. False,
  // with the picture as it came, when memory is short.
  bool Map(const SampleLookup lookups[3]);
  // The per-sample road: work rewrites three planes of the working samples, and the result
  // goes back into the picture. False, with the picture as it came, when it cannot.
  bool OnPlanes(parallel::FunctionRef<void(const Planes& planes)> work);

 private:
  bool IsEditorFrame() const { return picture_.kind == Picture::Kind::kYc; }
  // The host's picture decoded into frames of the module's own (the per-sample road).
  bool Decoded();
  bool Rgba() const { return picture_.kind == Picture::Kind::kRgba; }
  bool Yuv() const { return picture_.kind == Picture::Kind::kYuv; }

  Picture picture_;
  Space space_;
  Road road_;
  WorkSpace workSpace_{};
  PictureCodec codec_;
  // The editor's frame, or the host's picture decoded: the buffers, and the working samples
  // once measured or converted.
  Buffers buffers_{};
  Frame working_{};
  bool haveWorking_ = false;
  std::int16_t* decoded_ = nullptr;
  // The codes each plane of a YUV picture holds, once measured.
  CodeRanges codes_{};
  bool haveCodes_ = false;
};

}  // namespace tessaro::pipeline
