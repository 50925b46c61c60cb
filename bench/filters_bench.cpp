// Both filters through their processing callbacks, as the editor calls them, on a noisy
// gradient-and-shapes frame; one iteration is one frame. MemcpyFrame is the floor.
#include <cstring>
#include <vector>

#include "bench_util.h"
#include "host/filters.h"
#include "host/host_records.h"
#include "parallel/parallel.h"

namespace tessaro::bench {
namespace {

struct Setting {
  const char* name;
  int filter;  // 0 "Auto Level", 1 "Quillon Level"
  void (*apply)(std::vector<std::int32_t>& tracks, std::vector<std::int32_t>& checks);
};

const Setting kSettings[] = {
    {"AutoLevel/default", 0, [](auto&, auto&) {}},
    {"AutoLevel/CbCr", 0,
     [](auto&, auto& c) {
       c[CheckCb] = 1;
       c[CheckCr] = 1;
     }},
    {"AutoLevel/RGB", 0,
     [](auto& t, auto& c) {
       c[CheckRgbMode] = 1;
       t[TrackSkip] = 0;
     }},
    {"QuillonLevel/default", 1, [](auto&, auto&) {}},
    {"QuillonLevel/heavy", 1,
     [](auto& t, auto&) {
       for (int ch = 0; ch < 3; ++ch) {
         const int b = ch * kLevelsTracksPerChannel;
         t[b + TrackClipHigh] = 41;
         t[b + TrackClipLow] = 41;
         t[b + TrackOutFirst] = 3900;
         t[b + TrackOutSecond] = 200;
         t[kLevelsGammaTrack + ch] = 73;
       }
     }},
};

// A dim gradient with a colour cast, a few flat shapes and noise, in the host's YC scale.
std::vector<YcPixel> SceneFrame(int w, int h) {
  std::vector<YcPixel> f(static_cast<std::size_t>(w) * h);
  std::uint32_t seed = 7;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(seed >> 26) - 32;
      int luma = 700 + 1800 * x / w + 600 * y / h + noise;
      int cb = -200 + 300 * y / h, cr = 150 - 250 * x / w;
      if ((x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < h * h / 16) {
        luma = 2600 + noise;
        cb = 500;
      }
      if (x > 2 * w / 3 && y > h / 4 && y < 3 * h / 4) {
        luma = 1200 + noise;
        cr = -600;
      }
      f[static_cast<std::size_t>(y) * w + x] =
          YcPixel{static_cast<std::int16_t>(luma), static_cast<std::int16_t>(cb),
                  static_cast<std::int16_t>(cr)};
    }
  }
  return f;
}

void RunFilter(benchmark::State& state, const Setting& setting) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  parallel::SetMaxWorkers(static_cast<int>(state.range(2)));
  FilterDescriptor* filter = FilterList()[setting.filter];
  std::vector<std::int32_t> tracks(filter->trackDefaults,
                                   filter->trackDefaults + filter->trackCount);
  std::vector<std::int32_t> checks(filter->checkDefaults,
                                   filter->checkDefaults + filter->checkCount);
  setting.apply(tracks, checks);
  filter->trackValues = tracks.data();
  filter->checkValues = checks.data();
  filter->init(filter);

  const std::vector<YcPixel> source = SceneFrame(w, h);
  std::vector<YcPixel> edit(source.size()), temp(source.size());
  FrameInfo frame{};
  frame.edit = edit.data();
  frame.temp = temp.data();
  frame.width = w;
  frame.height = h;
  frame.rowLength = w;
  for (auto _ : state) {
    // Every frame starts from the original, as a video does; the copy is timed too and is
    // what MemcpyFrame measures on its own.
    std::memcpy(edit.data(), source.data(), source.size() * sizeof(YcPixel));
    benchmark::DoNotOptimize(filter->process(filter, &frame));
  }
  filter->trackValues = nullptr;
  filter->checkValues = nullptr;
  parallel::SetMaxWorkers(0);
}

const bool kRegistered = [] {
  for (const Setting& s : kSettings) {
    auto* b =
        benchmark::RegisterBenchmark(s.name, [&s](benchmark::State& st) { RunFilter(st, s); });
    b->ArgNames({"w", "h", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime();
    for (int threads : {1, 2}) {
      b->Args({1280, 720, threads})->Args({1920, 1080, threads})->Args({3840, 2160, threads});
    }
  }
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
