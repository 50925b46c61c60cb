// Hosts' own pictures through both filters: the passes (reading and writing the host's
// samples a few rows at a time) against the per-sample road (the picture decoded whole, every
// stage on every sample, encoded back), on random pictures of every kind, layout and size,
// random settings and every code path. And what no road may touch: the rows' padding.
#include "pipeline/frame_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "autolevel/auto_level.h"
#include "levels/levels.h"
#include "parallel/parallel.h"
#include "pipeline/picture_codec.h"
#include "support/differential.h"
#include "support/pictures.h"

namespace tessaro {
namespace {

using pipeline::Outcome;
using pipeline::Picture;
using pipeline::Road;
using testing::Random;
using testing::RgbaPicture;
using testing::YuvLayout;
using testing::YuvPicture;

AutoLevelSettings RandomAutoLevel(Random& rng) {
  AutoLevelSettings s;
  s.midRng = rng.Range(5, 95);
  s.skip = rng.OneIn(2) ? 0 : rng.Range(0, 400);
  s.cb = rng.OneIn(2);
  s.cr = rng.OneIn(2);
  s.rgbMode = rng.OneIn(2);
  return s;
}

QuillonLevelSettings RandomQuillonLevel(Random& rng) {
  QuillonLevelSettings s;
  for (QuillonChannel& ch : s.channel) {
    if (rng.OneIn(2)) {
      ch.clipHigh = rng.OneIn(3) ? 0 : rng.Range(0, 200);
      ch.clipLow = rng.OneIn(3) ? 0 : rng.Range(0, 200);
    }
    if (rng.OneIn(2)) {
      ch.inHigh = rng.Range(0, 4080);
      ch.inLow = rng.Range(0, 4080);
    }
    if (rng.OneIn(2)) {
      ch.outHigh = rng.Range(0, 4080);
      ch.outLow = rng.Range(0, 4080);
    }
    if (rng.OneIn(2)) ch.gamma = rng.Range(1, 100);
  }
  return s;
}

// One filter with random settings, run on a picture.
struct Filter {
  bool autoLevel;
  AutoLevelSettings autoLevelSettings;
  QuillonLevelSettings quillonSettings;

  explicit Filter(Random& rng)
      : autoLevel(rng.OneIn(2)),
        autoLevelSettings(RandomAutoLevel(rng)),
        quillonSettings(RandomQuillonLevel(rng)) {}
  Outcome Run(const Picture& p, Road road) const {
    return autoLevel ? AutoLevel(autoLevelSettings, p, road)
                     : QuillonLevel(quillonSettings, p, road);
  }
};

pipeline::YuvFormat RandomFormat(Random& rng, YuvLayout* layout) {
  static constexpr pipeline::ChromaLayout kChroma[] = {
      pipeline::ChromaLayout::k420, pipeline::ChromaLayout::k422, pipeline::ChromaLayout::k444,
      pipeline::ChromaLayout::kMono};
  pipeline::YuvFormat f{kChroma[rng.Range(0, 3)], 8, rng.OneIn(2), false, 0};
  const int depth = rng.Range(0, 4);
  if (depth > 0) {
    f.wide = true;
    f.bitDepth = depth == 4 ? 16 : 8 + 2 * depth;
    // P010's 10 bits in the top of 16.
    if (f.bitDepth == 10 && rng.OneIn(2)) f.shift = 6;
  }
  *layout = YuvLayout::kPlanar;
  if (f.chroma == pipeline::ChromaLayout::k422 && !f.wide && rng.OneIn(3)) {
    constexpr YuvLayout kPackings[] = {YuvLayout::kPacked, YuvLayout::kPackedUyvy,
                                       YuvLayout::kPackedYvyu};
    *layout = kPackings[rng.Range(0, 2)];
  } else if (f.chroma != pipeline::ChromaLayout::kMono && rng.OneIn(3)) {
    *layout = YuvLayout::kSemiPlanar;
  }
  return f;
}

class HostPictures : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { parallel::SetMaxWorkers(GetParam()); }
  void TearDown() override { parallel::SetMaxWorkers(0); }
};

TEST_P(HostPictures, RgbaThePassesAsThePerSampleRoad) {
  for (std::uint64_t seed = 1; seed <= 160; ++seed) {
    Random rng(seed);
    const std::int32_t slot = rng.Range(0, testing::HighestRunnableSlot());
    const testing::ScopedSlot onSlot(slot);
    const std::int32_t w = rng.Range(1, 90), h = rng.Range(1, 40), pad = rng.Range(0, 9);
    const auto order = rng.OneIn(2) ? pipeline::ByteOrder::kRgba : pipeline::ByteOrder::kBgra;
    const Filter filter(rng);
    const bool apart = rng.OneIn(3);  // read from one buffer, written into another
    SCOPED_TRACE(::testing::Message()
                 << "seed " << seed << " slot " << slot << " " << w << "x" << h
                 << (filter.autoLevel ? " Auto Level" : " Quillon") << (apart ? " apart" : ""));
    RgbaPicture source(w, h, pad, order);
    testing::FillRgba(source, seed);
    RgbaPicture a = source, b = source, outA(w, h, pad, order), outB(w, h, pad, order);
    const Outcome ra = filter.Run(apart ? a.into(outA) : a.picture(), Road::kPerSample);
    const Outcome rb = filter.Run(apart ? b.into(outB) : b.picture(), Road::kPasses);
    ASSERT_EQ(ra, rb);
    ASSERT_NE(ra, Outcome::kFailed);
    EXPECT_EQ(a.bytes(), b.bytes());
    EXPECT_EQ(outA.bytes(), outB.bytes());
    if (apart) {
      EXPECT_EQ(a.bytes(), source.bytes()) << "the source was written";
    }
    // Padding keeps its junk, and every pixel its fourth byte.
    RgbaPicture& written = apart ? outB : b;
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w && rb == Outcome::kDone; ++x) {
        ASSERT_EQ(written.pixel(x, y)[3], source.pixel(x, y)[3]) << x << "," << y;
      }
      for (std::int32_t i = 0; i < pad; ++i) {
        ASSERT_EQ(written.pixel(w, y)[i], RgbaPicture::kJunk) << "padding of row " << y;
      }
    }
  }
}

TEST_P(HostPictures, YuvThePassesAsThePerSampleRoad) {
  for (std::uint64_t seed = 1; seed <= 160; ++seed) {
    Random rng(seed + 1000);
    const std::int32_t slot = rng.Range(0, testing::HighestRunnableSlot());
    const testing::ScopedSlot onSlot(slot);
    YuvLayout layout{};
    const pipeline::YuvFormat format = RandomFormat(rng, &layout);
    const std::int32_t w = rng.Range(1, 70), h = rng.Range(1, 30), pad = rng.Range(0, 7);
    const Filter filter(rng);
    SCOPED_TRACE(::testing::Message()
                 << "seed " << seed << " slot " << slot << " " << w << "x" << h << " "
                 << format.bitDepth << "-bit layout " << static_cast<int>(layout) << " chroma "
                 << static_cast<int>(format.chroma) << (format.fullRange ? " full" : " limited")
                 << (filter.autoLevel ? " Auto Level" : " Quillon"));
    YuvPicture source(w, h, format, layout, pad);
    testing::FillYuv(source, seed);
    YuvPicture a = source, b = source;
    // Copies point into their own bytes.
    const Outcome ra = filter.Run(a.picture(), Road::kPerSample);
    const Outcome rb = filter.Run(b.picture(), Road::kPasses);
    ASSERT_EQ(ra, rb);
    ASSERT_NE(ra, Outcome::kFailed);
    ASSERT_EQ(a.bytes(), b.bytes());
  }
}

// The picture decoded into the editor's frame, filtered there, and encoded back: what a module
// driven through its export makes of the same samples.
Outcome ThroughTheEditorsFrame(const Filter& filter, const Picture& p, Road road) {
  pipeline::PictureCodec codec;
  EXPECT_TRUE(codec.Open(p, pipeline::Space::kYc));
  const std::int32_t w = p.width, h = p.height, step = kPixelBytes * w;
  std::vector<std::int16_t> edit(std::size_t(3) * w * h), temp(edit.size());
  for (std::int32_t y = 0; y < h; y += codec.groupRows()) {
    codec.Decode(y, std::min(codec.groupRows(), h - y), edit.data() + std::size_t(3) * w * y, step);
  }
  const pipeline::Buffers buffers{{edit.data(), step, w, h}, {temp.data(), step, w, h}};
  const Outcome outcome = filter.Run(Picture::Yc(buffers), road);
  for (std::int32_t y = 0; y < h; y += codec.groupRows()) {
    codec.Encode(y, std::min(codec.groupRows(), h - y), edit.data() + std::size_t(3) * w * y, step);
  }
  return outcome;
}

TEST_P(HostPictures, YuvAsTheEditorsFrameOfTheSameSamples) {
  for (std::uint64_t seed = 1; seed <= 120; ++seed) {
    Random rng(seed + 2000);
    const std::int32_t slot = rng.Range(0, testing::HighestRunnableSlot());
    const testing::ScopedSlot onSlot(slot);
    YuvLayout layout{};
    const pipeline::YuvFormat format = RandomFormat(rng, &layout);
    const std::int32_t w = rng.Range(1, 130), h = rng.Range(1, 70);
    const Filter filter(rng);
    const Road road = rng.OneIn(3) ? Road::kPasses : Road::kChoose;
    SCOPED_TRACE(::testing::Message()
                 << "seed " << seed << " slot " << slot << " " << w << "x" << h << " "
                 << format.bitDepth << "-bit chroma " << static_cast<int>(format.chroma)
                 << (filter.autoLevel ? " Auto Level" : " Quillon"));
    YuvPicture source(w, h, format, layout, rng.Range(0, 7));
    testing::FillYuv(source, seed);
    YuvPicture a = source, b = source;
    ASSERT_EQ(filter.Run(a.picture(), road), ThroughTheEditorsFrame(filter, b.picture(), road));
    ASSERT_EQ(a.bytes(), b.bytes());
  }
}

// Every layout OBS Studio hands a filter, on pictures large enough for several bands and for the
// passes, at odd sizes too: each setting of both filters on the passes equal to the per-sample
// road, and the bytes between and after the samples (other planes', padding) as they came
// wherever a plane is left.
TEST_P(HostPictures, LiveLayoutsThePassesAsThePerSampleRoad) {
  using pipeline::ChromaLayout;
  struct Live {
    const char* name;
    pipeline::YuvFormat format;
    YuvLayout layout;
  };
  const Live layouts[] = {
      {"I420", {ChromaLayout::k420, 8, false, false, 0}, YuvLayout::kPlanar},
      {"NV12", {ChromaLayout::k420, 8, false, false, 0}, YuvLayout::kSemiPlanar},
      {"YUY2", {ChromaLayout::k422, 8, false, false, 0}, YuvLayout::kPacked},
      {"UYVY", {ChromaLayout::k422, 8, false, false, 0}, YuvLayout::kPackedUyvy},
      {"YVYU", {ChromaLayout::k422, 8, true, false, 0}, YuvLayout::kPackedYvyu},
      {"I444", {ChromaLayout::k444, 8, true, false, 0}, YuvLayout::kPlanar},
      {"Y800", {ChromaLayout::kMono, 8, true, false, 0}, YuvLayout::kPlanar},
      {"I010", {ChromaLayout::k420, 10, false, true, 0}, YuvLayout::kPlanar},
      {"P010", {ChromaLayout::k420, 10, false, true, 6}, YuvLayout::kSemiPlanar},
      {"I210", {ChromaLayout::k422, 10, true, true, 0}, YuvLayout::kPlanar},
      {"I412", {ChromaLayout::k444, 12, false, true, 0}, YuvLayout::kPlanar},
  };
  struct Setting {
    const char* name;
    bool autoLevel;
    AutoLevelSettings autoLevelSettings;
    QuillonLevelSettings quillonSettings;
  };
  AutoLevelSettings cbCr, rgbMode;
  cbCr.cb = cbCr.cr = true;
  rgbMode.rgbMode = true;
  rgbMode.skip = 0;
  QuillonLevelSettings clipped;
  clipped.channel[0].clipHigh = clipped.channel[2].clipLow = 60;
  clipped.channel[1].gamma = 70;
  const Setting settings[] = {{"Auto Level", true, {}, {}},
                              {"Auto Level Cb + Cr", true, cbCr, {}},
                              {"Auto Level RGB mode", true, rgbMode, {}},
                              {"Quillon Level clipping", false, {}, clipped}};
  std::uint64_t seed = 50;
  for (const Live& live : layouts) {
    for (const Setting& setting : settings) {
      for (const auto& [w, h] : {std::pair{333, 131}, std::pair{334, 80}}) {
        SCOPED_TRACE(::testing::Message()
                     << live.name << " " << w << "x" << h << " " << setting.name);
        YuvPicture source(w, h, live.format, live.layout, 5);
        testing::FillYuv(source, ++seed);
        YuvPicture a = source, b = source;
        const auto run = [&](const Picture& p, Road road) {
          return setting.autoLevel ? AutoLevel(setting.autoLevelSettings, p, road)
                                   : QuillonLevel(setting.quillonSettings, p, road);
        };
        ASSERT_EQ(run(a.picture(), Road::kPerSample), Outcome::kDone);
        ASSERT_EQ(run(b.picture(), Road::kPasses), Outcome::kDone);
        ASSERT_EQ(a.bytes(), b.bytes());
        ASSERT_NE(a.bytes(), source.bytes());
      }
    }
  }
}

TEST_P(HostPictures, RgbComesBackUnchangedThroughNeutralSettings) {
  // "Quillon Level" at its defaults, and input and output levels that leave every sample: an
  // 8-bit code c is the sample 16 c, exactly, and goes back to c.
  QuillonLevelSettings neutral;
  QuillonLevelSettings wideOpen;
  for (QuillonChannel& ch : wideOpen.channel) {
    ch.inHigh = 0;  // the pair either way round
    ch.inLow = 4080;
  }
  for (const QuillonLevelSettings& settings : {neutral, wideOpen}) {
    for (std::uint64_t seed = 1; seed <= 24; ++seed) {
      Random rng(seed);
      const std::int32_t w = rng.Range(1, 77), h = rng.Range(1, 33);
      const auto order = rng.OneIn(2) ? pipeline::ByteOrder::kRgba : pipeline::ByteOrder::kBgra;
      RgbaPicture source(w, h, rng.Range(0, 5), order), out(w, h, rng.Range(0, 5), order);
      testing::FillRgba(source, seed);
      // Every code of every channel somewhere.
      for (std::int32_t i = 0; i < 256 && i < w * h; ++i) {
        for (int c = 0; c < 3; ++c) source.pixel(i % w, i / w)[c] = static_cast<std::uint8_t>(i);
      }
      for (const Road road : {Road::kPasses, Road::kPerSample}) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " " << w << "x" << h << " road "
                                          << static_cast<int>(road));
        RgbaPicture in = source;
        ASSERT_EQ(QuillonLevel(settings, in.picture(), road), Outcome::kDone);
        EXPECT_EQ(in.bytes(), source.bytes());
        ASSERT_EQ(QuillonLevel(settings, source.into(out), road), Outcome::kDone);
        for (std::int32_t y = 0; y < h; ++y) {
          ASSERT_EQ(0, std::memcmp(out.pixel(0, y), source.pixel(0, y), 4 * std::size_t(w)));
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(OneAndSeveral, HostPictures, ::testing::Values(1, 3));

}  // namespace
}  // namespace tessaro
