// A frame as the host may hand it to a processing callback: any size and row length, any
// contents, and buffers exactly as long as that layout needs.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "host/frame_guard.h"
#include "host/host_records.h"
#include "pipeline/frame_pipeline.h"
#include "primitives/cpu.h"
#include "primitives/dispatch.h"

namespace tessaro::fuzz {

class FuzzFrame {
 public:
  explicit FuzzFrame(Input& in)
      : width_(in.Dimension(200)),
        height_(in.Dimension(24)),
        rowLength_(in.Bit() ? in.Int32() : PaddedLength(width_, in.Dimension(8))),
        edit_(in, {width_, height_}, Step(), 6),
        temp_(in, {width_, height_}, Step(), 6) {
    const std::uint8_t nulls = in.Byte() & in.Byte() & in.Byte();
    info_.edit = (nulls & 1) ? nullptr : edit_.at<YcPixel>();
    info_.temp = (nulls & 2) ? nullptr : temp_.at<YcPixel>();
    info_.width = width_;
    info_.height = height_;
    info_.rowLength = rowLength_;
  }

  FrameInfo* info() { return &info_; }

  // A padded row length, held to the 32-bit range like the host's field.
  static std::int32_t PaddedLength(std::int32_t width, std::int32_t pad) {
    const std::int64_t length = std::int64_t{width} + pad;
    return length > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(length);
  }
  Image& edit() { return edit_; }
  Image& temp() { return temp_; }
  // The picture's pixels, row after row: the bytes past the width of a row are scratch that
  // the filters may use, and only these are their result.
  std::vector<std::uint8_t> Pixels() {
    std::vector<std::uint8_t> pixels;
    const auto* base = reinterpret_cast<const std::uint8_t*>(info_.edit);
    for (std::int32_t y = 0; y < height_; ++y) {
      const std::uint8_t* row = base + std::int64_t{y} * rowLength_ * 6;
      pixels.insert(pixels.end(), row, row + std::int64_t{width_} * 6);
    }
    return pixels;
  }

  // A layout the callbacks are meant to process: non-null buffers, a row length of at least
  // the width, and byte sizes that fit a signed 32-bit integer.
  bool Contractual() const {
    const std::int64_t step = std::int64_t{rowLength_} * 6;
    return info_.edit != nullptr && info_.temp != nullptr && width_ > 0 && height_ > 0 &&
           rowLength_ >= width_ && step <= INT32_MAX && step * height_ <= INT32_MAX &&
           std::int64_t{width_} * height_ * 6 <= INT32_MAX;
  }
  // A layout larger than the fuzzer's buffers may be: the input is skipped.
  bool TooLarge() const { return edit_.tooLarge() && Contractual(); }

 private:
  // Rows whose step cannot be formed get no buffer; the callback must refuse them.
  std::int32_t Step() const {
    const std::int64_t step = std::int64_t{rowLength_} * 6;
    return rowLength_ >= width_ && step <= INT32_MAX ? static_cast<std::int32_t>(step) : 0;
  }

  std::int32_t width_, height_, rowLength_;
  Image edit_, temp_;
  FrameInfo info_{};
};

// Says where two results of one frame part, before the check that fails on it.
inline void Describe(const char* what, FrameInfo* f, const std::vector<std::uint8_t>& a,
                     const std::vector<std::uint8_t>& b, const std::int32_t* tracks,
                     std::int32_t trackCount, const std::int32_t* checks, std::int32_t checkCount) {
  if (a == b) return;
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  std::fprintf(stderr, "%s: %dx%d row length %d, first difference at byte %zu; tracks", what,
               f->width, f->height, f->rowLength, i);
  for (std::int32_t t = 0; t < trackCount; ++t) std::fprintf(stderr, " %d", tracks[t]);
  std::fprintf(stderr, "; checks");
  for (std::int32_t c = 0; c < checkCount; ++c) std::fprintf(stderr, " %d", checks[c]);
  std::fprintf(stderr, "\n");
}

// Live values as the host keeps them: anything, sometimes a slider's own range.
inline void FillValues(Input& in, std::int32_t* values, std::int32_t count,
                       const std::int32_t* mins, const std::int32_t* maxs) {
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t b = in.Byte();
    if (b < 64 || mins == nullptr) {
      values[i] = in.Int32();
    } else {
      const std::int64_t span = std::int64_t{maxs[i]} - mins[i] + 1;
      values[i] = static_cast<std::int32_t>(mins[i] + (in.Int32() & 0x7fffffff) % span);
    }
  }
}

// A slot this processor can run, chosen by the input.
inline std::int32_t RunnableSlot(Input& in) {
  CpuFeatureMask mask = 0;
  const std::int32_t highest = GetCpuFeatures(&mask) == StatusOk ? ChooseCpuPath(mask) : 0;
  return in.Byte() % (highest + 1);
}

// The frame again from its original contents through the per-sample and the pipeline path on
// `slot`, with the settings the callback saw: the two must agree, and on the slot the
// callback ran in they must give its pixels and `result`. `run(filter, frame, path)` calls the
// filter's driver on one path.
template <typename Run>
void ExpectPathsAgree(FuzzFrame& frame, const FilterDescriptor& filter,
                      const std::vector<std::uint8_t>& edit, const std::vector<std::uint8_t>& temp,
                      HostBool result, std::int32_t slot, Run run) {
  const auto fastest = frame.Pixels();
  SettingsSnapshot settings(filter);
  const std::int32_t processSlot = CpuPath.load();
  CpuPath.store(slot);
  HostBool results[2];
  std::vector<std::uint8_t> pixels[2];
  for (int p = 0; p < 2; ++p) {
    frame.edit().Restore(edit);
    frame.temp().Restore(temp);
    results[p] = run(settings.filter(), frame.info(),
                     p == 0 ? pipeline::Road::kPerSample : pipeline::Road::kPasses);
    pixels[p] = frame.Pixels();
  }
  CpuPath.store(processSlot);
  Describe("pipeline against per-sample path", frame.info(), pixels[1], pixels[0],
           filter.trackValues, filter.trackCount, filter.checkValues, filter.checkCount);
  TESSARO_FUZZ_CHECK(results[1] == results[0] && pixels[1] == pixels[0]);
  if (slot == processSlot) {
    Describe("per-sample path against the callback", frame.info(), pixels[0], fastest,
             filter.trackValues, filter.trackCount, filter.checkValues, filter.checkCount);
    TESSARO_FUZZ_CHECK(results[0] == result && pixels[0] == fastest);
  }
}

}  // namespace tessaro::fuzz
