// Drives a filter of the module as the editor does: live slider and check-box arrays on
// the descriptor, and frames whose rows may be longer than the picture.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "host/host_records.h"

namespace tessaro {

inline bool operator==(const YcPixel& a, const YcPixel& b) {
  return a.y == b.y && a.cb == b.cb && a.cr == b.cr;
}

namespace testing {

FilterDescriptor* FilterByIndex(int index);  // 0 "Auto Level", 1 "Quillon Level"

// Fills the descriptor's live arrays with the defaults for the lifetime of the object.
class FilterHost {
 public:
  explicit FilterHost(int filterIndex);
  ~FilterHost();
  FilterHost(const FilterHost&) = delete;
  FilterHost& operator=(const FilterHost&) = delete;

  FilterDescriptor* filter() const { return filter_; }
  std::int32_t& track(int i) { return tracks_[static_cast<std::size_t>(i)]; }
  std::int32_t& check(int i) { return checks_[static_cast<std::size_t>(i)]; }

 private:
  FilterDescriptor* filter_;
  std::vector<std::int32_t> tracks_, checks_;
};

class HostFrame {
 public:
  // Padding pixels and the temporary buffer start with recognisable junk.
  HostFrame(std::int32_t width, std::int32_t height, std::int32_t rowLength);
  // A copy owns its buffers, with the same contents.
  HostFrame(const HostFrame& other);
  HostFrame& operator=(const HostFrame&) = delete;

  YcPixel& at(std::int32_t x, std::int32_t y) {
    return edit_[static_cast<std::size_t>(y * info_.rowLength + x)];
  }
  const std::vector<YcPixel>& edit() const { return edit_; }
  const std::vector<YcPixel>& temp() const { return temp_; }
  std::int32_t width() const { return info_.width; }
  std::int32_t height() const { return info_.height; }
  void Fill(const std::function<YcPixel(std::int32_t x, std::int32_t y)>& f);

  HostBool Process(FilterDescriptor* filter);
  FrameInfo* info() { return &info_; }

 private:
  std::vector<YcPixel> edit_, temp_;
  FrameInfo info_{};
};

// Nearest integer, ties to even, saturated to 16 bits: the rule every stage ends in.
inline std::int16_t ToS16(float v) {
  if (!(v < 32767.0f)) return 32767;
  if (v <= -32768.0f) return -32768;
  return static_cast<std::int16_t>(std::nearbyint(v));
}

// x to the power y, correctly rounded to single precision (double precision's power is within
// 2^-52 of the exact one): what the level stage's power gives but for a vanishing few
// bases and exponents whose exact power lies next to half-way between two floats.
inline float ExactPower(float x, float y) {
  return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
}

}  // namespace testing
}  // namespace tessaro
