// The mapping kernels over the filter benchmarks' 1920 x 1080 scene, in every slot: lookups of luma
// alone and of all three channels, and lookups of RGB between the two colour matrices: tables
// or clamps alone (Quillon Level without clipping), and tables of RGB kept by an earlier pass.
#include "bench_util.h"
#include "pipeline/frame_convert.h"
#include "pipeline/kernel_slots.h"

namespace tessaro::bench {
namespace {

constexpr std::int64_t kFrameBytes = std::int64_t{kWidth} * kHeight * 6;

// Tables over 0..4080 that stretch their range a little.
struct Tables {
  Tables() : values(4081) {
    for (int v = 0; v < 4081; ++v) values[v] = static_cast<std::int16_t>(v * 9 / 10 + 200);
  }
  SampleLookup Lookup() const { return {values.data(), 0, 4080}; }
  std::vector<std::int16_t> values;
};

void Lookup(benchmark::State& state, int channels) {
  auto frame = SceneSamples();
  const Tables t;
  const SampleLookup none{nullptr, 0, 0};
  const SampleLookup lookups[3] = {t.Lookup(), channels > 1 ? t.Lookup() : none,
                                   channels > 1 ? t.Lookup() : none};
  const auto fn = slots::LookupS16C3[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(frame.data(), 6 * kWidth, {kWidth, kHeight}, lookups));
    benchmark::ClobberMemory();
  }
  SetBytes(state, kFrameBytes);
}

// first null: the source holds RGB already, as the samples a measure or counting pass kept.
void MatrixLookup(benchmark::State& state, const float* first, bool clamps) {
  auto frame = SceneSamples();
  const Tables t;
  const SampleLookup lookup = clamps ? SampleLookup{nullptr, 0, 4080} : t.Lookup();
  const SampleLookup lookups[3] = {lookup, lookup, lookup};
  const auto fn = slots::MatrixLookupS16C3[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(frame.data(), 6 * kWidth, frame.data(), 6 * kWidth,
                                {kWidth, kHeight}, first, lookups, RgbToYcMatrix));
    benchmark::ClobberMemory();
  }
  SetBytes(state, kFrameBytes);
}

const bool kRegistered = [] {
  RegisterSlots("LookupS16C3/luma", [](benchmark::State& s) { Lookup(s, 1); });
  RegisterSlots("LookupS16C3/all", [](benchmark::State& s) { Lookup(s, 3); });
  RegisterSlots("MatrixLookupS16C3/rgb",
                [](benchmark::State& s) { MatrixLookup(s, YcToRgbMatrix, false); });
  RegisterSlots("MatrixLookupS16C3/rgb-clamps",
                [](benchmark::State& s) { MatrixLookup(s, YcToRgbMatrix, true); });
  RegisterSlots("MatrixLookupS16C3/kept",
                [](benchmark::State& s) { MatrixLookup(s, nullptr, false); });
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
