// SplitS16C3 and MergeS16C3 between a 1920 x 1080 interleaved frame and packed planes, in
// every slot; bytes counted as read plus written.
#include "bench_util.h"
#include "primitives/slots.h"

namespace tessaro::bench {
namespace {

constexpr std::int64_t kFrameBytes = std::int64_t{kWidth} * kHeight * 6;
constexpr std::size_t kPlaneSamples = std::size_t{kWidth} * kHeight;

void SplitFrame(benchmark::State& state) {
  const auto frame = NoisySamples(3 * kPlaneSamples);
  std::vector<std::int16_t> planar(3 * kPlaneSamples);
  std::int16_t* planes[3] = {planar.data(), planar.data() + kPlaneSamples,
                             planar.data() + 2 * kPlaneSamples};
  const auto fn = slots::SplitS16C3[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(frame.data(), 6 * kWidth, planes, 2 * kWidth, {kWidth, kHeight}));
    benchmark::ClobberMemory();
  }
  SetBytes(state, 2 * kFrameBytes);
}

void MergeFrame(benchmark::State& state) {
  const auto planar = NoisySamples(3 * kPlaneSamples);
  std::vector<std::int16_t> frame(3 * kPlaneSamples);
  const std::int16_t* planes[3] = {planar.data(), planar.data() + kPlaneSamples,
                                   planar.data() + 2 * kPlaneSamples};
  const auto fn = slots::MergeS16C3[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(planes, 2 * kWidth, frame.data(), 6 * kWidth, {kWidth, kHeight}));
    benchmark::ClobberMemory();
  }
  SetBytes(state, 2 * kFrameBytes);
}

const bool kRegistered = [] {
  RegisterSlots("SplitS16C3", SplitFrame);
  RegisterSlots("MergeS16C3", MergeFrame);
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
