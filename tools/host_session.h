// The editor's side of the plug-in interface: the loaded module with its filters started,
// filters with live slider and check-box values, and the frame buffers the host owns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "failure.h"
#include "host/host_records.h"
#include "module_loader.h"
#include "yc_image.h"

namespace tessaro::tools {

class HostSession {
 public:
  // Loads the module and runs each filter's start-up callback once, with the live arrays
  // and the service table already in place.
  static Failure Open(const std::string& modulePath, HostSession* session);

  FilterDescriptor** filters() const { return module_.filters(); }
  // Refuses an unknown name with the list of the module's filters.
  Failure Find(const std::string& name, FilterDescriptor** filter) const;
  HostServiceTable* services() { return &services_; }

  // How often a filter asked for its window to be refreshed.
  static int RefreshRequests();

 private:
  LoadedModule module_;
  HostServiceTable services_{};
  std::vector<std::vector<std::int32_t>> defaultTracks_, defaultChecks_;
};

// One filter as the user set it up. Several stages may share a descriptor: each call
// first points the descriptor at this stage's values.
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

// The edit and temporary buffers, rows of width + rowPad pixels.
class FrameBuffers {
 public:
  FrameBuffers(std::int32_t width, std::int32_t height, std::int32_t rowPad);
  void Load(const YcImage& image);
  void Store(YcImage* image) const;
  FrameInfo* info() { return &info_; }

 private:
  std::vector<YcPixel> edit_, temp_;
  FrameInfo info_{};
};

}  // namespace tessaro::tools
