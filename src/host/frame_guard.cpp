#include "host/frame_guard.h"

#include <algorithm>
#include <limits>

namespace tessaro {
namespace {

constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

bool DescriptorUsable(const FilterDescriptor* filter) {
  return filter != nullptr && filter->trackValues != nullptr && filter->checkValues != nullptr &&
         filter->trackMins != nullptr && filter->trackMaxs != nullptr && filter->trackCount >= 0 &&
         filter->trackCount <= SettingsSnapshot::kMaxTracks && filter->checkCount >= 0 &&
         filter->checkCount <= SettingsSnapshot::kMaxChecks;
}

}  // namespace

FrameVerdict CheckFrame(const FilterDescriptor* filter, const FrameInfo* frame) {
  if (frame == nullptr || !DescriptorUsable(filter)) return FrameVerdict::kRefuse;
  const std::int64_t w = frame->width;
  const std::int64_t h = frame->height;
  if (w <= 0 || h <= 0) return FrameVerdict::kEmpty;
  if (frame->edit == nullptr || frame->temp == nullptr) return FrameVerdict::kRefuse;
  if (frame->rowLength < frame->width) return FrameVerdict::kRefuse;
  // The filters form these sizes in 32-bit arithmetic (steps, plane offsets, pixel counts).
  const std::int64_t rowStep = std::int64_t{frame->rowLength} * 6;
  if (rowStep > kMaxBytes || 6 * w * h > kMaxBytes || h * rowStep > kMaxBytes) {
    return FrameVerdict::kRefuse;
  }
  return FrameVerdict::kProcess;
}

SettingsSnapshot::SettingsSnapshot(const FilterDescriptor& filter)
    : copy_(filter), tracks_{}, checks_{} {
  for (std::int32_t i = 0; i < filter.trackCount; ++i) {
    const std::int32_t lo = filter.trackMins[i];
    const std::int32_t hi = std::max(lo, filter.trackMaxs[i]);
    tracks_[i] = std::clamp(filter.trackValues[i], lo, hi);
  }
  std::copy_n(filter.checkValues, filter.checkCount, checks_);
  copy_.trackValues = tracks_;
  copy_.checkValues = checks_;
}

}  // namespace tessaro
