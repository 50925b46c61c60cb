// AviUtl ExEdit2's plug-in records as its SDK lays them out (64-bit Windows), only the parts
// this plug-in and its test host use. Strings are UTF-16. Where a record has more fields than
// are declared here, the editor's further fields follow the ones below and are not touched.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaro::aviutl2 {

struct EditSection;  // handed to button callbacks; this plug-in calls none of its functions

struct PixelRgba {
  std::uint8_t r, g, b, a;
};
static_assert(sizeof(PixelRgba) == 4);

// The object a video filter works on (leading fields).
struct ObjectInfo {
  std::int64_t id;
  std::int32_t frame;
  std::int32_t frameTotal;
  double time;
  double timeTotal;
  std::int32_t width;  // the picture's size
  std::int32_t height;
};

// One call of a video filter (leading fields). getImageData fills width x height pixels of
// the object's picture; setImageData replaces it.
struct VideoProc {
  const void* scene;
  const ObjectInfo* object;
  void (*getImageData)(PixelRgba* buffer);
  void (*setImageData)(const PixelRgba* buffer, std::int32_t width, std::int32_t height);
};

// Items of a filter's settings; each record starts with its type and name. The editor writes
// `value` before every call and reads the one a record holds at registration as its default.
struct TrackItem {
  const char16_t* type;  // kTrackType
  const char16_t* name;
  double value;
  double min;
  double max;
  double step;
};
struct CheckItem {
  const char16_t* type;  // kCheckType
  const char16_t* name;
  std::uint8_t value;  // a C bool: 0 off, anything else on
};
using ButtonCallback = void (*)(EditSection* edit);
struct ButtonItem {
  const char16_t* type;  // kButtonType
  const char16_t* name;
  ButtonCallback callback;
};
inline constexpr char16_t kTrackType[] = u"track";
inline constexpr char16_t kCheckType[] = u"check";
inline constexpr char16_t kButtonType[] = u"button";

// A filter as registered. Returning false from procVideo stops the editor's whole render.
struct FilterTable {
  std::int32_t flag;
  const char16_t* name;
  const char16_t* label;  // the menu group
  const char16_t* information;
  void** items;  // null-terminated list of item records
  bool (*procVideo)(VideoProc* video);
  bool (*procAudio)(void* audio);
  // Further fields are read only under flags this plug-in does not set.
};
inline constexpr std::int32_t kFilterVideo = 1;
inline constexpr std::int32_t kFilterObject = 8;  // may also stand as a filter object

// The editor's table handed to RegisterPlugin (leading entries).
struct HostTable {
  void (*setPluginInformation)(const char16_t* information);
  void (*registerInputPlugin)(void* table);
  void (*registerOutputPlugin)(void* table);
  void (*registerFilterPlugin)(FilterTable* table);
};

static_assert(sizeof(char16_t) == 2 && sizeof(bool) == 1);
#ifdef _WIN64
static_assert(offsetof(ObjectInfo, width) == 32 && offsetof(ObjectInfo, height) == 36);
static_assert(offsetof(VideoProc, getImageData) == 16 && offsetof(VideoProc, setImageData) == 24);
static_assert(sizeof(TrackItem) == 48 && offsetof(CheckItem, value) == 16);
static_assert(offsetof(ButtonItem, callback) == 16);
static_assert(offsetof(FilterTable, items) == 32 && offsetof(FilterTable, procAudio) == 48);
static_assert(offsetof(HostTable, registerFilterPlugin) == 24);
#endif

// The plug-in's exports: InitializePlugin first (false: the editor does not load it), then
// RegisterPlugin; UninitializePlugin when the editor lets it go.
using InitializePluginFn = bool (*)(std::uint32_t version);
using RegisterPluginFn = void (*)(HostTable* host);
using UninitializePluginFn = void (*)();

}  // namespace tessaro::aviutl2
