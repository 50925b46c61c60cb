// The measuring kernels over the filter benchmarks' 1920 x 1080 scene, in every slot: statistics of
// the stored samples and of RGB, and counts of RGB, the RGB samples also kept in a second frame
// as the filters keep them for their map pass, and counts of a flat frame.
#include "bench_util.h"
#include "pipeline/frame_convert.h"
#include "pipeline/kernel_slots.h"

namespace tessaro::bench {
namespace {

constexpr std::int64_t kFrameBytes = std::int64_t{kWidth} * kHeight * 6;

void Measure(benchmark::State& state, const float* matrix, bool keep) {
  const auto frame = SceneSamples();
  std::vector<std::int16_t> kept(keep ? frame.size() : 0);
  const auto fn = slots::MeasureS16C3[static_cast<std::size_t>(state.range(0))];
  ChannelStats stats;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(frame.data(), 6 * kWidth, {kWidth, kHeight}, matrix,
                                keep ? kept.data() : nullptr, 6 * kWidth, &stats));
    benchmark::DoNotOptimize(stats);
  }
  SetBytes(state, kFrameBytes);
}

void CountRgb(benchmark::State& state, bool keep, bool flat = false) {
  const auto frame = flat ? std::vector<std::int16_t>(SceneSamples().size(), 2040) : SceneSamples();
  std::vector<std::int16_t> kept(keep ? frame.size() : 0);
  const auto fn = slots::CountS16C3[static_cast<std::size_t>(state.range(0))];
  std::vector<std::uint32_t> bins(3 * 4081);
  std::uint32_t* const counts[3] = {bins.data(), bins.data() + 4081, bins.data() + 2 * 4081};
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(frame.data(), 6 * kWidth, {kWidth, kHeight}, YcToRgbMatrix,
                                keep ? kept.data() : nullptr, 6 * kWidth, 4080, counts));
    benchmark::DoNotOptimize(bins.data());
  }
  SetBytes(state, kFrameBytes);
}

const bool kRegistered = [] {
  RegisterSlots("MeasureS16C3/stored", [](benchmark::State& s) { Measure(s, nullptr, false); });
  RegisterSlots("MeasureS16C3/rgb", [](benchmark::State& s) { Measure(s, YcToRgbMatrix, false); });
  RegisterSlots("MeasureS16C3/rgb-kept",
                [](benchmark::State& s) { Measure(s, YcToRgbMatrix, true); });
  RegisterSlots("CountS16C3/rgb", [](benchmark::State& s) { CountRgb(s, false); });
  RegisterSlots("CountS16C3/rgb-kept", [](benchmark::State& s) { CountRgb(s, true); });
  // Flat content: every sample of a channel hits the same counter.
  RegisterSlots("CountS16C3/flat", [](benchmark::State& s) { CountRgb(s, false, true); });
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
