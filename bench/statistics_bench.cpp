// MeanS16C3 and MinMaxS16C3 over a whole 1920 x 1080 interleaved frame, in every slot.
#include "bench_util.h"
#include "primitives/slots.h"

namespace tessaro::bench {
namespace {

constexpr std::int64_t kFrameBytes = std::int64_t{kWidth} * kHeight * 6;

void MeanFrame(benchmark::State& state) {
  const auto frame = NoisySamples(std::size_t(3) * kWidth * kHeight);
  const auto fn = slots::MeanS16C3[static_cast<std::size_t>(state.range(0))];
  double means[3];
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(frame.data(), 6 * kWidth, {kWidth, kHeight}, means));
    benchmark::DoNotOptimize(means);
  }
  SetBytes(state, kFrameBytes);
}

void MinMaxFrame(benchmark::State& state) {
  const auto frame = NoisySamples(std::size_t(3) * kWidth * kHeight);
  const auto fn = slots::MinMaxS16C3[static_cast<std::size_t>(state.range(0))];
  std::int16_t mins[3], maxs[3];
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(frame.data(), 6 * kWidth, {kWidth, kHeight}, mins, maxs));
    benchmark::DoNotOptimize(mins);
    benchmark::DoNotOptimize(maxs);
  }
  SetBytes(state, kFrameBytes);
}

const bool kRegistered = [] {
  RegisterSlots("MeanS16C3", MeanFrame);
  RegisterSlots("MinMaxS16C3", MinMaxFrame);
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
