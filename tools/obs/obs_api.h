// The part of libobs (OBS Studio's core library) that this plug-in and its tests use, declared
// as libobs 29 lays it out on 64-bit Linux and Windows. Records that have more fields than are
// declared here end after the last field the plug-in needs: libobs reads a source's record up
// to the size it is given, and the frames it hands over are read, never made, here. The layout
// is checked against Debian's libobs headers where they are installed (tests/obs).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaro::obs {

// libobs's objects, only ever handled through pointers.
struct Data;        // obs_data_t: settings
struct Source;      // obs_source_t
struct Properties;  // obs_properties_t
struct Property;    // obs_property_t
struct Module;      // obs_module_t
struct Lookup;      // lookup_t: a module's locale strings

// enum video_format, in libobs 29's order; later versions only append.
enum class VideoFormat : std::int32_t {
  kNone,
  kI420,  // 4:2:0, three planes
  kNv12,  // 4:2:0, Y then Cb and Cr interleaved
  kYvyu,  // 4:2:2 packed: Y0 Cr Y1 Cb
  kYuy2,  // 4:2:2 packed: Y0 Cb Y1 Cr
  kUyvy,  // 4:2:2 packed: Cb Y0 Cr Y1
  kRgba,
  kBgra,
  kBgrx,
  kY800,  // grey
  kI444,
  kBgr3,  // three bytes a pixel
  kI422,
  kI40a,  // I420 and an alpha plane
  kI42a,  // I422 and an alpha plane
  kYuva,  // I444 and an alpha plane
  kAyuv,  // 4:4:4 packed with alpha
  kI010,  // 4:2:0, three planes of 10-bit samples in the low bits of 16
  kP010,  // 4:2:0, Y then Cb and Cr interleaved, 10-bit samples in the high bits of 16
  kI210,  // 4:2:2, three planes of 10-bit samples
  kI412,  // 4:4:4, three planes of 12-bit samples
  kYa2l,  // I412 and an alpha plane
};

inline constexpr int kMaxPlanes = 8;  // MAX_AV_PLANES

// struct obs_source_frame, leading fields: what an asynchronous source hands its filters.
struct SourceFrame {
  std::uint8_t* data[kMaxPlanes];
  std::uint32_t linesize[kMaxPlanes];
  std::uint32_t width;
  std::uint32_t height;
  std::uint64_t timestamp;  // nanoseconds
  VideoFormat format;
  float colorMatrix[16];
  bool fullRange;
};

enum class SourceType : std::int32_t { kInput, kFilter, kTransition, kScene };
// Output flags of a source type.
inline constexpr std::uint32_t kSourceVideo = 1u << 0;
inline constexpr std::uint32_t kSourceAsync = 1u << 2;
inline constexpr std::uint32_t kSourceAsyncVideo = kSourceAsync | kSourceVideo;

// struct obs_source_info, leading fields up to the filter's frame callback.
struct SourceInfo {
  const char* id;
  SourceType type;
  std::uint32_t outputFlags;
  const char* (*getName)(void* typeData);
  void* (*create)(Data* settings, Source* source);
  void (*destroy)(void* data);
  std::uint32_t (*getWidth)(void* data);
  std::uint32_t (*getHeight)(void* data);
  void (*getDefaults)(Data* settings);
  Properties* (*getProperties)(void* data);
  void (*update)(void* data, Data* settings);
  void (*activate)(void* data);
  void (*deactivate)(void* data);
  void (*show)(void* data);
  void (*hide)(void* data);
  void (*videoTick)(void* data, float seconds);
  void (*videoRender)(void* data, void* effect);
  SourceFrame* (*filterVideo)(void* data, SourceFrame* frame);
};

enum class TextType : std::int32_t { kDefault, kPassword, kMultiline, kInfo };

// blog's levels.
inline constexpr int kLogError = 100;
inline constexpr int kLogWarning = 200;
inline constexpr int kLogInfo = 300;

// The libobs version a module reports having been built against (MAKE_SEMANTIC_VERSION).
constexpr std::uint32_t ApiVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t patch) {
  return (major << 24) | (minor << 16) | patch;
}

using PropertyModified = bool (*)(Properties* props, Property* property, Data* settings);

#ifndef TESSARO_OBS_TYPES_ONLY
// The functions, exported by libobs.so and obs.dll (the import list of the Windows build,
// obs.def, names exactly these).
extern "C" {
void obs_register_source_s(const SourceInfo* info, std::size_t size);
void blog(int level, const char* format, ...);

long long obs_data_get_int(Data* data, const char* name);
bool obs_data_get_bool(Data* data, const char* name);
void obs_data_set_int(Data* data, const char* name, long long value);
void obs_data_set_default_int(Data* data, const char* name, long long value);
void obs_data_set_default_bool(Data* data, const char* name, bool value);
void obs_data_release(Data* data);

Data* obs_source_get_settings(const Source* source);
const char* obs_source_get_name(const Source* source);
Source* obs_filter_get_parent(const Source* filter);

Properties* obs_properties_create_param(void* param, void (*destroy)(void* param));
void* obs_properties_get_param(Properties* props);
Property* obs_properties_add_int_slider(Properties* props, const char* name,
                                        const char* description, int min, int max, int step);
Property* obs_properties_add_bool(Properties* props, const char* name, const char* description);
Property* obs_properties_add_text(Properties* props, const char* name, const char* description,
                                  TextType type);
void obs_property_set_modified_callback(Property* property, PropertyModified modified);
void obs_property_set_long_description(Property* property, const char* description);
void obs_property_int_set_suffix(Property* property, const char* suffix);
const char* obs_property_name(Property* property);

Lookup* obs_module_load_locale(Module* module, const char* defaultLocale, const char* locale);
bool text_lookup_getstr(Lookup* lookup, const char* key, const char** out);
void text_lookup_destroy(Lookup* lookup);
}
#endif

}  // namespace tessaro::obs
