// The plug-in's own declarations of libobs (tools/obs/obs_api.h) against Debian's libobs
// headers: every declared field at the same offset, every record no larger than libobs's, the
// enumerations' values the same. Compiled into the libobs test (with TESSARO_OBS_TYPES_ONLY, our
// types beside libobs's declarations), so a mismatch fails its build.
#include <obs-module.h>
#include <obs-properties.h>

#include <cstddef>
#include <type_traits>

#include "obs_api.h"

namespace {

namespace ours = tessaro::obs;

#define TESSARO_SAME_OFFSET(ours_type, ours_field, theirs_type, theirs_field)             \
  static_assert(offsetof(ours_type, ours_field) == offsetof(theirs_type, theirs_field) && \
                    sizeof(std::declval<ours_type>().ours_field) ==                       \
                        sizeof(std::declval<theirs_type>().theirs_field),                 \
                #ours_type "::" #ours_field " does not lie where libobs has " #theirs_field)

TESSARO_SAME_OFFSET(ours::SourceFrame, data, obs_source_frame, data);
TESSARO_SAME_OFFSET(ours::SourceFrame, linesize, obs_source_frame, linesize);
TESSARO_SAME_OFFSET(ours::SourceFrame, width, obs_source_frame, width);
TESSARO_SAME_OFFSET(ours::SourceFrame, height, obs_source_frame, height);
TESSARO_SAME_OFFSET(ours::SourceFrame, timestamp, obs_source_frame, timestamp);
TESSARO_SAME_OFFSET(ours::SourceFrame, format, obs_source_frame, format);
TESSARO_SAME_OFFSET(ours::SourceFrame, colorMatrix, obs_source_frame, color_matrix);
TESSARO_SAME_OFFSET(ours::SourceFrame, fullRange, obs_source_frame, full_range);
static_assert(sizeof(ours::SourceFrame) <= sizeof(obs_source_frame));

TESSARO_SAME_OFFSET(ours::SourceInfo, id, obs_source_info, id);
TESSARO_SAME_OFFSET(ours::SourceInfo, type, obs_source_info, type);
TESSARO_SAME_OFFSET(ours::SourceInfo, outputFlags, obs_source_info, output_flags);
TESSARO_SAME_OFFSET(ours::SourceInfo, getName, obs_source_info, get_name);
TESSARO_SAME_OFFSET(ours::SourceInfo, create, obs_source_info, create);
TESSARO_SAME_OFFSET(ours::SourceInfo, destroy, obs_source_info, destroy);
TESSARO_SAME_OFFSET(ours::SourceInfo, getWidth, obs_source_info, get_width);
TESSARO_SAME_OFFSET(ours::SourceInfo, getHeight, obs_source_info, get_height);
TESSARO_SAME_OFFSET(ours::SourceInfo, getDefaults, obs_source_info, get_defaults);
TESSARO_SAME_OFFSET(ours::SourceInfo, getProperties, obs_source_info, get_properties);
TESSARO_SAME_OFFSET(ours::SourceInfo, update, obs_source_info, update);
TESSARO_SAME_OFFSET(ours::SourceInfo, activate, obs_source_info, activate);
TESSARO_SAME_OFFSET(ours::SourceInfo, deactivate, obs_source_info, deactivate);
TESSARO_SAME_OFFSET(ours::SourceInfo, show, obs_source_info, show);
TESSARO_SAME_OFFSET(ours::SourceInfo, hide, obs_source_info, hide);
TESSARO_SAME_OFFSET(ours::SourceInfo, videoTick, obs_source_info, video_tick);
TESSARO_SAME_OFFSET(ours::SourceInfo, videoRender, obs_source_info, video_render);
TESSARO_SAME_OFFSET(ours::SourceInfo, filterVideo, obs_source_info, filter_video);
static_assert(sizeof(ours::SourceInfo) == offsetof(obs_source_info, filter_audio),
              "SourceInfo ends with the frame callback");

constexpr bool SameFormats() {
  constexpr struct {
    ours::VideoFormat ours;
    video_format theirs;
  } kPairs[] = {
      {ours::VideoFormat::kNone, VIDEO_FORMAT_NONE}, {ours::VideoFormat::kI420, VIDEO_FORMAT_I420},
      {ours::VideoFormat::kNv12, VIDEO_FORMAT_NV12}, {ours::VideoFormat::kYvyu, VIDEO_FORMAT_YVYU},
      {ours::VideoFormat::kYuy2, VIDEO_FORMAT_YUY2}, {ours::VideoFormat::kUyvy, VIDEO_FORMAT_UYVY},
      {ours::VideoFormat::kRgba, VIDEO_FORMAT_RGBA}, {ours::VideoFormat::kBgra, VIDEO_FORMAT_BGRA},
      {ours::VideoFormat::kBgrx, VIDEO_FORMAT_BGRX}, {ours::VideoFormat::kY800, VIDEO_FORMAT_Y800},
      {ours::VideoFormat::kI444, VIDEO_FORMAT_I444}, {ours::VideoFormat::kBgr3, VIDEO_FORMAT_BGR3},
      {ours::VideoFormat::kI422, VIDEO_FORMAT_I422}, {ours::VideoFormat::kI40a, VIDEO_FORMAT_I40A},
      {ours::VideoFormat::kI42a, VIDEO_FORMAT_I42A}, {ours::VideoFormat::kYuva, VIDEO_FORMAT_YUVA},
      {ours::VideoFormat::kAyuv, VIDEO_FORMAT_AYUV}, {ours::VideoFormat::kI010, VIDEO_FORMAT_I010},
      {ours::VideoFormat::kP010, VIDEO_FORMAT_P010}, {ours::VideoFormat::kI210, VIDEO_FORMAT_I210},
      {ours::VideoFormat::kI412, VIDEO_FORMAT_I412}, {ours::VideoFormat::kYa2l, VIDEO_FORMAT_YA2L},
  };
  for (const auto& p : kPairs) {
    if (static_cast<int>(p.ours) != static_cast<int>(p.theirs)) return false;
  }
  return sizeof(ours::VideoFormat) == sizeof(video_format);
}
static_assert(SameFormats(), "VideoFormat differs from enum video_format");

static_assert(static_cast<int>(ours::SourceType::kFilter) == OBS_SOURCE_TYPE_FILTER);
static_assert(ours::kSourceAsyncVideo == OBS_SOURCE_ASYNC_VIDEO);
static_assert(static_cast<int>(ours::TextType::kInfo) == OBS_TEXT_INFO &&
              sizeof(ours::TextType) == sizeof(obs_text_type));
static_assert(ours::kLogError == LOG_ERROR && ours::kLogWarning == LOG_WARNING &&
              ours::kLogInfo == LOG_INFO);
static_assert(ours::ApiVersion(LIBOBS_API_MAJOR_VER, LIBOBS_API_MINOR_VER, LIBOBS_API_PATCH_VER) ==
              LIBOBS_API_VER);
static_assert(ours::kMaxPlanes == MAX_AV_PLANES);

}  // namespace
