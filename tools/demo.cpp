#include "demo.h"

#include <cstdio>
#include <string>
#include <vector>

#include "demo_scene.h"
#include "filter_chain.h"
#include "histogram_plot.h"
#include "picture_stats.h"
#include "platform_io.h"
#include "png_io.h"
#include "yc_convert.h"

namespace tessaro::tools {
namespace {

struct DemoRun {
  const char* file;
  const char* filter;
  std::vector<Setting> settings;
};

std::vector<DemoRun> DemoRuns() {
  std::vector<Setting> levels;
  for (const char* channel : {"R", "G", "B"}) {
    // About half a percent of the pixels clipped at each end.
    levels.push_back({Setting::kSet, std::string(channel) + "c-Hi", 20});
    levels.push_back({Setting::kSet, std::string(channel) + "c-Low", 20});
  }
  for (const char* gamma : {"gamR", "gamG", "gamB"}) levels.push_back({Setting::kSet, gamma, 80});
  return {
      {"auto_level.png", "Auto Level", {}},
      {"auto_level_rgb.png", "Auto Level", {{Setting::kCheck, "RGB mode", 1}}},
      {"quillon_level.png", "Quillon Level", levels},
  };
}

PngImage RgbRendering(const YcImage& image) {
  PngImage rgb;
  rgb.width = image.width;
  rgb.height = image.height;
  rgb.channels = 3;
  rgb.bitDepth = 8;
  rgb.samples.resize(image.pixels.size() * 3);
  YcToPng(image, &rgb);
  return rgb;
}

void PrintStats(const std::string& picture, const YcImage& image, const PngImage& rgb) {
  static const char* const kNames[6] = {"Y", "Cb", "Cr", "R", "G", "B"};
  const auto yc = MeasureYc(image);
  const auto colour = MeasureRgb(rgb);
  for (int c = 0; c < 6; ++c) {
    const ChannelStats& s = c < 3 ? yc[c] : colour[c - 3];
    std::printf("%-20s %-3s %7d %9.2f %7d\n", c == 0 ? picture.c_str() : "", kNames[c], s.min,
                s.mean, s.max);
  }
  std::printf("%-20s luma spans %.1f %% of 0..4096\n", "",
              100.0 * (yc[0].max - yc[0].min) / kYcFullScale);
}

Failure WritePicture(const std::string& dir, const std::string& file, const YcImage& image,
                     const PngImage& rgb) {
  return WritePng(dir + "/" + file, PictureWithHistograms(image, rgb));
}

}  // namespace

Failure RunDemo(const CommandLine& line, HostSession* session) {
  std::string error;
  if (!MakeDirectories(line.outDir, &error)) {
    return Fail(ExitStatus::kOutput, line.outDir + ": cannot create: " + error);
  }
  YcImage scene;
  BuildDemoScene(&scene);
  const PngImage sceneRgb = RgbRendering(scene);
  std::printf(
      "tessaro demo: a %dx%d scene; Y, Cb, Cr in the module's samples (Y 0..4096),\n"
      "R, G, B in 8-bit codes of the written pictures\n\n",
      scene.width, scene.height);
  std::printf("%-20s %-3s %7s %9s %7s\n", "picture", "ch", "min", "mean", "max");
  PrintStats("original.png", scene, sceneRgb);
  if (Failure f = WritePicture(line.outDir, "original.png", scene, sceneRgb)) return f;

  for (const DemoRun& run : DemoRuns()) {
    FilterChain chain;
    if (Failure f =
            FilterChain::Build(session, {FilterRequest{run.filter, run.settings}}, &chain)) {
      return f;
    }
    YcImage result = scene;
    std::vector<pipeline::Outcome> outcomes;
    if (const char* failed = chain.Run(&result, line.rowPad, &outcomes)) {
      return Fail(ExitStatus::kInternal, std::string(failed) + " could not process the scene");
    }
    const PngImage rgb = RgbRendering(result);
    std::printf("\n%s", chain.stages().front()->DescribeSettings().c_str());
    std::printf("%s\n", outcomes.front() == pipeline::Outcome::kDone
                            ? ""
                            : "  -> left the frame as it came");
    PrintStats(run.file, result, rgb);
    if (Failure f = WritePicture(line.outDir, run.file, result, rgb)) return f;
  }
  std::printf("\npictures in %s: original.png", line.outDir.c_str());
  for (const DemoRun& run : DemoRuns()) std::printf(", %s", run.file);
  std::printf(" (each with its Y, R, G and B histograms beneath)\n");
  return {};
}

}  // namespace tessaro::tools
