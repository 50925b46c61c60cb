// Frames and settings that the host may hand over but that cannot be processed as they come.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "host/filters.h"
#include "support/filter_host.h"

namespace tessaro {
namespace {

using testing::FilterHost;
using testing::HostFrame;

constexpr int kAutoLevel = 0;
constexpr int kLevels = 1;

HostFrame PatternFrame(std::int32_t w, std::int32_t h, std::int32_t rowLength) {
  HostFrame f(w, h, rowLength);
  f.Fill([](std::int32_t x, std::int32_t y) {
    return YcPixel{static_cast<std::int16_t>(300 + 97 * x + 61 * y),
                   static_cast<std::int16_t>(-900 + 53 * x - 17 * y),
                   static_cast<std::int16_t>(700 - 41 * x + 29 * y)};
  });
  return f;
}

// What the host passes: the descriptor and frame record, either of which a case may break.
struct Call {
  FilterDescriptor* filter;
  FrameInfo* frame;
};

struct HostileFrame {
  const char* name;
  std::function<void(Call&)> spoil;
  HostBool autoLevel;  // result of each filter; the frame always stays as it came
  HostBool levels;
  // In RGB mode an empty frame's spreads are all 0, so the default Skip skips it.
  HostBool autoLevelRgb = kFalse;
};

const HostileFrame kHostileFrames[] = {
    {"null frame", [](Call& c) { c.frame = nullptr; }, kFalse, kFalse},
    {"null descriptor", [](Call& c) { c.filter = nullptr; }, kFalse, kFalse},
    {"null track values", [](Call& c) { c.filter->trackValues = nullptr; }, kFalse, kFalse},
    {"null check values", [](Call& c) { c.filter->checkValues = nullptr; }, kFalse, kFalse},
    {"null edit buffer", [](Call& c) { c.frame->edit = nullptr; }, kFalse, kFalse},
    {"null temp buffer", [](Call& c) { c.frame->temp = nullptr; }, kFalse, kFalse},
    {"width 0", [](Call& c) { c.frame->width = 0; }, kTrue, kFalse},
    {"negative width", [](Call& c) { c.frame->width = -3; }, kTrue, kFalse},
    {"height 0", [](Call& c) { c.frame->height = 0; }, kTrue, kFalse},
    {"negative height", [](Call& c) { c.frame->height = INT_MIN; }, kTrue, kFalse},
    {"empty with null buffers",
     [](Call& c) {
       c.frame->width = 0;
       c.frame->edit = c.frame->temp = nullptr;
     },
     kTrue, kFalse},
    {"row length below width", [](Call& c) { c.frame->rowLength = c.frame->width - 1; }, kFalse,
     kFalse},
    {"negative row length", [](Call& c) { c.frame->rowLength = -40; }, kFalse, kFalse},
    // The buffers stay small: a callback that got past its checks would run off their ends.
    {"row step beyond 32 bits", [](Call& c) { c.frame->rowLength = INT_MAX / 6 + 1; }, kFalse,
     kFalse},
    {"6 w h beyond 32 bits",
     [](Call& c) {
       c.frame->width = c.frame->rowLength = 20000;
       c.frame->height = 17900;
     },
     kFalse, kFalse},
    {"h times row step beyond 32 bits",
     [](Call& c) {
       c.frame->rowLength = 60000;
       c.frame->height = 5966;
     },
     kFalse, kFalse},
    {"widest row", [](Call& c) { c.frame->width = c.frame->rowLength = INT_MAX; }, kFalse, kFalse},
};

TEST(HostileFrames, AreLeftAsTheyCameWithTheDocumentedResult) {
  for (int index : {kAutoLevel, kLevels}) {
    for (int rgbMode : {0, 1}) {
      if (index == kLevels && rgbMode == 1) continue;
      for (const HostileFrame& hostile : kHostileFrames) {
        SCOPED_TRACE(::testing::Message()
                     << "filter " << index << " rgb " << rgbMode << ": " << hostile.name);
        FilterHost host(index);
        if (index == kAutoLevel) host.check(CheckRgbMode) = rgbMode;
        HostFrame frame = PatternFrame(13, 5, 17);
        const std::vector<YcPixel> edit = frame.edit();
        const std::vector<YcPixel> temp = frame.temp();
        FilterDescriptor* const filter = host.filter();
        std::int32_t* const tracks = filter->trackValues;
        std::int32_t* const checks = filter->checkValues;
        Call call{filter, frame.info()};
        hostile.spoil(call);
        const HostBool expected = index == kLevels
                                      ? hostile.levels
                                      : (rgbMode ? hostile.autoLevelRgb : hostile.autoLevel);
        EXPECT_EQ(filter->process(call.filter, call.frame), expected);
        EXPECT_EQ(frame.edit(), edit);
        EXPECT_EQ(frame.temp(), temp);
        filter->trackValues = tracks;
        filter->checkValues = checks;
      }
    }
  }
}

TEST(HostileFrames, EmptyFramesInRgbModeAreSkippedUnlessSkipIsZero) {
  struct Case {
    std::int32_t skip;
    HostBool result;
  };
  // Skip below 0 acts as 0: a spread of 0 is never below it.
  for (const Case& c : {Case{0, kTrue}, Case{-7, kTrue}, Case{1, kFalse}, Case{4080, kFalse}}) {
    for (const auto& size : {std::pair{0, 4}, std::pair{6, 0}, std::pair{-2, -2}}) {
      FilterHost host(kAutoLevel);
      host.check(CheckRgbMode) = 1;
      host.track(TrackSkip) = c.skip;
      HostFrame frame = PatternFrame(6, 4, 8);
      const std::vector<YcPixel> edit = frame.edit();
      frame.info()->width = size.first;
      frame.info()->height = size.second;
      EXPECT_EQ(frame.Process(host.filter()), c.result)
          << "Skip " << c.skip << ", " << size.first << " x " << size.second;
      EXPECT_EQ(frame.edit(), edit);
    }
  }
}

// A slider value outside its range acts as the nearest end of the range.
struct HostileSlider {
  int filter;
  std::int32_t track;
  std::int32_t value;
  std::int32_t nearestEnd;
  std::int32_t rgbMode = 0;
};

const HostileSlider kHostileSliders[] = {
    {kAutoLevel, TrackMidRng, 0, 5},
    {kAutoLevel, TrackMidRng, 100, 95},
    {kAutoLevel, TrackMidRng, 200, 95},
    {kAutoLevel, TrackMidRng, INT_MIN, 5},
    {kAutoLevel, TrackMidRng, -50, 5, 1},
    {kAutoLevel, TrackMidRng, 150, 95, 1},
    {kAutoLevel, TrackSkip, -1000, 0, 1},
    {kAutoLevel, TrackSkip, INT_MAX, 4080, 1},
    {kLevels, kLevelsGammaTrack + 0, 0, 1},
    {kLevels, kLevelsGammaTrack + 1, -50, 1},
    {kLevels, kLevelsGammaTrack + 2, 1000, 100},
    {kLevels, TrackClipLow, -5, 0},
    {kLevels, TrackClipLow, INT_MAX, 4080},
    {kLevels, kLevelsTracksPerChannel + TrackClipHigh, 5000, 4080},
    {kLevels, kLevelsTracksPerChannel + TrackClipHigh, INT_MIN, 0},
    {kLevels, TrackInFirst, 9000, 4080},
    {kLevels, TrackInSecond, -100, 0},
    {kLevels, 2 * kLevelsTracksPerChannel + TrackInFirst, INT_MIN, 0},
    {kLevels, TrackOutFirst, INT_MAX, 4080},
    {kLevels, kLevelsTracksPerChannel + TrackOutSecond, -1, 0},
};

TEST(HostileSliders, ActAsTheNearestEndOfTheirRange) {
  for (const HostileSlider& s : kHostileSliders) {
    SCOPED_TRACE(::testing::Message()
                 << "filter " << s.filter << " track " << s.track << " value " << s.value);
    FilterHost host(s.filter);
    if (s.filter == kAutoLevel) host.check(CheckRgbMode) = s.rgbMode;
    if (s.filter == kLevels) host.track(kLevelsTracksPerChannel + TrackClipLow) = 200;
    HostFrame expected = PatternFrame(21, 6, 23);
    HostFrame actual(expected);
    host.track(s.track) = s.nearestEnd;
    const HostBool expectedResult = expected.Process(host.filter());
    host.track(s.track) = s.value;
    EXPECT_EQ(actual.Process(host.filter()), expectedResult);
    EXPECT_EQ(actual.edit(), expected.edit());
    EXPECT_EQ(host.track(s.track), s.value) << "the host's array is read, never written";
  }
}

}  // namespace
}  // namespace tessaro
