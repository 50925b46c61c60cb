#include "support/filter_host.h"

namespace tessaro::testing {

FilterDescriptor* FilterByIndex(int index) {
  return GetFilterTableList()[index];
}

FilterHost::FilterHost(int filterIndex) : filter_(FilterByIndex(filterIndex)) {
  tracks_.assign(filter_->trackDefaults, filter_->trackDefaults + filter_->trackCount);
  checks_.assign(filter_->checkDefaults, filter_->checkDefaults + filter_->checkCount);
  filter_->trackValues = tracks_.data();
  filter_->checkValues = checks_.data();
  filter_->init(filter_);
}

FilterHost::~FilterHost() {
  filter_->trackValues = nullptr;
  filter_->checkValues = nullptr;
}

HostFrame::HostFrame(std::int32_t width, std::int32_t height, std::int32_t rowLength)
    : edit_(static_cast<std::size_t>(rowLength * height), YcPixel{-7, 13, -29}),
      temp_(static_cast<std::size_t>(rowLength * height), YcPixel{5551, -5551, 1234}) {
  info_.edit = edit_.data();
  info_.temp = temp_.data();
  info_.width = width;
  info_.height = height;
  info_.rowLength = rowLength;
}

HostFrame::HostFrame(const HostFrame& other)
    : edit_(other.edit_), temp_(other.temp_), info_(other.info_) {
  info_.edit = edit_.data();
  info_.temp = temp_.data();
}

void HostFrame::Fill(const std::function<YcPixel(std::int32_t x, std::int32_t y)>& f) {
  for (std::int32_t y = 0; y < info_.height; ++y) {
    for (std::int32_t x = 0; x < info_.width; ++x) at(x, y) = f(x, y);
  }
}

HostBool HostFrame::Process(FilterDescriptor* filter) {
  return filter->process(filter, &info_);
}

}  // namespace tessaro::testing
