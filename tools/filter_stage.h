// What every host of the module shares, the command-line host and the frei0r plug-ins alike:
// the service table, the filters started with their defaults, one filter's live slider and
// check-box values, and the frame buffers the host owns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "failure.h"
#include "host/host_records.h"
#include "yc_image.h"

namespace tessaro::tools {

// A module's filter list with every descriptor filled in (live arrays holding the defaults,
// the service table) and each filter's start-up callback run once. The descriptors point
// into this object, so it stays where it was started.
class StartedFilters {
 public:
  StartedFilters() = default;
  StartedFilters(const StartedFilters&) = delete;
  StartedFilters& operator=(const StartedFilters&) = delete;

  Failure Start(FilterDescriptor** list);

  FilterDescriptor** filters() const { return list_; }
  // Refuses an unknown name with the list of the module's filters.
  Failure Find(const std::string& name, FilterDescriptor** filter) const;
  HostServiceTable* services() { return &services_; }

  // How often a filter asked for its window to be refreshed, in this process.
  static int RefreshRequests();

 private:
  FilterDescriptor** list_ = nullptr;
  HostServiceTable services_{};
  std::vector<std::vector<std::int32_t>> defaultTracks_, defaultChecks_;
};

// One filter as the user set it up. Several stages may share a descriptor: each call
// first points the descriptor at this stage's values. Stages on different threads need
// descriptors of their own.
class FilterStage {
 public:
  FilterStage(FilterDescriptor* filter, HostServiceTable* services);

  FilterDescriptor* filter() const { return filter_; }
  const char* name() const { return filter_->name; }
  const std::vector<std::int32_t>& tracks() const { return tracks_; }
  const std::vector<std::int32_t>& checks() const { return checks_; }

  // Each refuses an unknown name, a value out of range, or a button given as a check box,
  // and says what is valid.
  Failure SetTrack(const std::string& track, std::int32_t value);
  Failure SetCheck(const std::string& check, std::int32_t value);
  // As a slider movement in the editor: the value is set, then the settings-changed
  // callback hears of it.
  Failure MoveTrack(const std::string& track, std::int32_t value);
  // Sends the button's command message to the window-message callback.
  Failure PressButton(const std::string& button);

  // By index, for hosts that have checked the index and the value themselves.
  void SetTrackAt(int index, std::int32_t value);
  void MoveTrackAt(int index, std::int32_t value);
  void SetCheckAt(int index, std::int32_t value);

  HostBool Process(FrameInfo* frame);
  std::string DescribeSettings() const;

 private:
  void Bind();
  Failure FindTrack(const std::string& track, int* index) const;
  std::string TrackList() const;
  std::string CheckList() const;

  FilterDescriptor* filter_;
  HostServiceTable* services_;
  std::vector<std::int32_t> tracks_, checks_;
};

// Whether rows of width + rowPad pixels over height rows still fit the host's limits.
bool FrameFits(std::int32_t width, std::int32_t height, std::int32_t rowPad);

// The edit and temporary buffers, rows of width + rowPad pixels.
class FrameBuffers {
 public:
  FrameBuffers(std::int32_t width, std::int32_t height, std::int32_t rowPad);
  void Load(const YcImage& image);
  void Store(YcImage* image) const;
  // Pictures of 8-bit RGBA pixels (r, g, b, a bytes), rows packed: converted as `tessaro apply`
  // converts an 8-bit RGB PNG, both ways. Store writes each pixel's colours and takes its alpha
  // from `alpha` (the picture loaded, which may be `rgba` itself): alpha passes through.
  void LoadRgba(const std::uint8_t* rgba);
  void StoreRgba(const std::uint8_t* alpha, std::uint8_t* rgba) const;
  FrameInfo* info() { return &info_; }
  // The first `width` pixels of row y of the edit buffer.
  YcPixel* Row(std::int32_t y) {
    return edit_.data() + static_cast<std::ptrdiff_t>(y) * info_.rowLength;
  }
  const YcPixel* Row(std::int32_t y) const {
    return edit_.data() + static_cast<std::ptrdiff_t>(y) * info_.rowLength;
  }

 private:
  std::vector<YcPixel> edit_, temp_;
  FrameInfo info_{};
};

}  // namespace tessaro::tools
