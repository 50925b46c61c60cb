#include "levels/levels_params.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

#include "host/host_records.h"
#include "levels/levels.h"

namespace tessaro {
namespace {

using Tracks = std::array<std::int32_t, 21>;
constexpr std::int32_t kTrackChange = 0x10000;  // + track index

struct RefreshLog {
  int calls = 0;
  FilterDescriptor* filter = nullptr;
  Tracks tracksSeen{};
};
RefreshLog g_refresh;

HostBool RecordRefresh(FilterDescriptor* filter) {
  ++g_refresh.calls;
  g_refresh.filter = filter;
  std::copy_n(filter->trackValues, g_refresh.tracksSeen.size(), g_refresh.tracksSeen.begin());
  return kTrue;
}

Tracks DistinctTracks() {
  Tracks t{};
  for (std::size_t i = 0; i < t.size(); ++i) t[i] = 100 + static_cast<std::int32_t>(i);
  return t;
}

// Plays the host: live arrays and a service table on the module's own descriptor.
class LevelsUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    filter_ = GetFilterTableList()[1];
    ASSERT_STREQ(filter_->name, "Quillon Level");
    saved_ = *filter_;
    tracks_ = DistinctTracks();
    services_.refreshFilterWindow = &RecordRefresh;
    filter_->trackValues = tracks_.data();
    filter_->checkValues = checks_.data();
    filter_->services = &services_;
    g_refresh = {};
  }
  // Other suites expect the descriptor as the module declares it.
  void TearDown() override { *filter_ = saved_; }

  HostBool Notify(std::int32_t code) { return filter_->update(filter_, code); }

  FilterDescriptor* filter_ = nullptr;
  FilterDescriptor saved_{};
  Tracks tracks_{};
  std::array<std::int32_t, 2> checks_{1, 0};
  HostServiceTable services_{};
};

TEST_F(LevelsUpdateTest, SyncCopiesTheMovedSliderToTheOtherTwoChannelsThenRefreshes) {
  struct Row {
    std::int32_t moved, partnerA, partnerB;
  };
  constexpr Row kRows[] = {
      {0, 6, 12}, {1, 7, 13}, {2, 8, 14},  {3, 9, 15},  {4, 10, 16},  {5, 11, 17},  {6, 0, 12},
      {7, 1, 13}, {8, 2, 14}, {9, 3, 15},  {10, 4, 16}, {11, 5, 17},  {12, 0, 6},   {13, 1, 7},
      {14, 2, 8}, {15, 3, 9}, {16, 4, 10}, {17, 5, 11}, {18, 19, 20}, {19, 18, 20}, {20, 18, 19},
  };
  for (std::int32_t sync : {1, -1}) {
    for (const Row& r : kRows) {
      SCOPED_TRACE(testing::Message() << "sync " << sync << " track " << r.moved);
      checks_[0] = sync;
      tracks_ = DistinctTracks();
      tracks_[r.moved] = 3000 + r.moved;
      Tracks expected = tracks_;
      expected[r.partnerA] = expected[r.partnerB] = 3000 + r.moved;
      g_refresh = {};

      EXPECT_EQ(Notify(kTrackChange + r.moved), 1);
      EXPECT_EQ(tracks_, expected);
      EXPECT_EQ(g_refresh.calls, 1);
      EXPECT_EQ(g_refresh.filter, filter_);
      EXPECT_EQ(g_refresh.tracksSeen, expected);  // copied before the host redraws
    }
  }
}

TEST_F(LevelsUpdateTest, IgnoresEveryCodeWhileSyncIsOffAndNonTrackCodesWhileOn) {
  // Check-box changes and anything else the host sends arrive outside the track range.
  const std::int32_t kOtherCodes[] = {0,       -1,      0xFFFF,  0x10015, 0x10016,
                                      0x1FFFF, 0x20000, 0x20001, INT_MIN, INT_MAX};
  const Tracks before = tracks_;
  auto expectIgnored = [&](std::int32_t code) {
    SCOPED_TRACE(testing::Message() << "sync " << checks_[0] << " code 0x" << std::hex << code);
    EXPECT_EQ(Notify(code), 0);
    EXPECT_EQ(tracks_, before);
    EXPECT_EQ(g_refresh.calls, 0);
  };
  checks_[0] = 0;
  for (std::int32_t n = 0; n < 21; ++n) expectIgnored(kTrackChange + n);
  for (std::int32_t sync : {0, 1}) {
    checks_[0] = sync;
    for (std::int32_t code : kOtherCodes) expectIgnored(code);
  }
}

TEST_F(LevelsUpdateTest, RepeatedNotificationChangesNothingFurther) {
  tracks_[9] = 777;
  ASSERT_EQ(Notify(kTrackChange + 9), 1);
  const Tracks afterFirst = tracks_;
  EXPECT_EQ(afterFirst[3], 777);
  EXPECT_EQ(afterFirst[15], 777);
  EXPECT_EQ(Notify(kTrackChange + 9), 1);
  EXPECT_EQ(tracks_, afterFirst);
}

TEST_F(LevelsUpdateTest, TurningSyncOnEqualisesOnlyTheNextMovedSlider) {
  checks_[0] = 0;
  tracks_[2] = 4000;  // "Ri-Hi" moved while Sync is off: R and G now differ
  EXPECT_EQ(Notify(kTrackChange + 2), 0);
  checks_[0] = 1;
  Tracks expected = tracks_;
  tracks_[10] = expected[4] = expected[10] = expected[16] = 1500;  // "Go-Hi" moved
  EXPECT_EQ(Notify(kTrackChange + 10), 1);
  EXPECT_EQ(tracks_, expected);
  EXPECT_NE(tracks_[2], tracks_[8]);
}

TEST_F(LevelsUpdateTest, WithoutARefreshEntryStillCopiesAndReturnsTrue) {
  for (bool tableMissing : {true, false}) {
    SCOPED_TRACE(tableMissing ? "no service table" : "no entry 21");
    services_.refreshFilterWindow = nullptr;
    filter_->services = tableMissing ? nullptr : &services_;
    tracks_ = DistinctTracks();
    tracks_[20] = 42;
    EXPECT_EQ(Notify(kTrackChange + 20), 1);
    EXPECT_EQ(tracks_[18], 42);
    EXPECT_EQ(tracks_[19], 42);
  }
}

TEST_F(LevelsUpdateTest, MissingDescriptorOrHostArraysChangeNothing) {
  EXPECT_EQ(filter_->update(nullptr, kTrackChange), 0);
  filter_->trackValues = nullptr;
  EXPECT_EQ(Notify(kTrackChange), 0);
  filter_->trackValues = tracks_.data();
  filter_->checkValues = nullptr;
  EXPECT_EQ(Notify(kTrackChange), 0);
  EXPECT_EQ(tracks_, DistinctTracks());
  EXPECT_EQ(g_refresh.calls, 0);
}

// One channel's parameters from the filter's slider values.
ChannelLevels Read(const Tracks& tracks, std::int32_t channel) {
  const std::int32_t checks[4] = {1, 0, 0, 0};
  return ReadChannelLevels(QuillonLevelSettingsOf(tracks.data(), checks).channel[channel]);
}

void ExpectLevels(const ChannelLevels& got, const ChannelLevels& want) {
  EXPECT_EQ(got.clipHigh, want.clipHigh);
  EXPECT_EQ(got.clipLow, want.clipLow);
  EXPECT_EQ(got.inLow, want.inLow);
  EXPECT_EQ(got.inHigh, want.inHigh);
  EXPECT_EQ(got.outLow, want.outLow);
  EXPECT_EQ(got.outHigh, want.outHigh);
  EXPECT_EQ(got.gamma, want.gamma);
}

TEST(LevelsParams, DefaultSlidersGiveTheFullRangeAndGammaOne) {
  const FilterDescriptor* filter = GetFilterTableList()[1];
  Tracks tracks{};
  std::copy_n(filter->trackDefaults, tracks.size(), tracks.begin());
  for (std::int32_t c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    ExpectLevels(Read(tracks, c), {0, 0, 0.0f, 4080.0f, 0.0f, 4080.0f, 1.0f});
  }
}

TEST(LevelsParams, EachChannelReadsItsOwnSlidersWhicheverEndOfAPairIsSmaller) {
  struct Row {
    std::int32_t channel;
    std::int32_t block[6];  // clip Hi, clip Low, in Hi, in Low, out Hi, out Low
    std::int32_t gammaSlider;
    ChannelLevels want;
  };
  const Row kRows[] = {
      {0, {10, 20, 4080, 16, 3000, 40}, 50, {10, 20, 16.0f, 4080.0f, 40.0f, 3000.0f, 0.5f}},
      {1, {0, 7, 100, 2000, 0, 4080}, 1, {0, 7, 100.0f, 2000.0f, 0.0f, 4080.0f, 0.01f}},
      {2, {4080, 0, 1234, 1234, 9, 9}, 100, {4080, 0, 1234.0f, 1234.0f, 9.0f, 9.0f, 1.0f}},
      {2, {1, 4080, 0, 4080, 4079, 5}, 25, {1, 4080, 0.0f, 4080.0f, 5.0f, 4079.0f, 0.25f}},
  };
  for (const Row& r : kRows) {
    SCOPED_TRACE(testing::Message() << "channel " << r.channel << " gamma " << r.gammaSlider);
    Tracks tracks{};
    for (std::size_t i = 0; i < tracks.size(); ++i) tracks[i] = 9000 + static_cast<int>(i);
    std::copy_n(r.block, 6, tracks.begin() + 6 * r.channel);
    tracks[static_cast<std::size_t>(18 + r.channel)] = r.gammaSlider;
    ExpectLevels(Read(tracks, r.channel), r.want);
  }
}

}  // namespace
}  // namespace tessaro
