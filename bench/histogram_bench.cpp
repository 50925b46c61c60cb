// HistogramS16C1 in every slot on a 1920 x 1080 plane with the levels filter's 4081 levels.
#include <cstdint>
#include <vector>

#include "bench_util.h"
#include "primitives/slots.h"

namespace tessaro::bench {
namespace {

std::vector<std::int32_t> FilterLevels() {
  const float lower = 0.0f, upper = 4080.0f;
  std::int32_t n = 4081, specSize = 0, bufferSize = 0;
  slots::HistogramGetSize[0](DataTypeS16, {kWidth, kHeight}, &n, 1, 0, &specSize, &bufferSize);
  std::vector<std::int32_t> record(static_cast<std::size_t>(specSize) / 4);
  slots::HistogramInitUniform[0](DataTypeS16, &lower, &upper, &n, 1,
                                 reinterpret_cast<HistogramSpec*>(record.data()));
  return record;
}

void Plane(benchmark::State& state, std::vector<std::int16_t> plane) {
  const auto slot = static_cast<std::size_t>(state.range(0));
  const std::vector<std::int32_t> record = FilterLevels();
  std::vector<std::int32_t> bins(4080);
  std::vector<std::uint8_t> scratch(262144);
  for (auto _ : state) {
    slots::HistogramS16C1[slot](plane.data(), kWidth * 2, {kWidth, kHeight}, bins.data(),
                                reinterpret_cast<const HistogramSpec*>(record.data()),
                                scratch.data());
    benchmark::DoNotOptimize(bins.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, std::int64_t{kWidth} * kHeight * 2);
}

void NoisyPlane(benchmark::State& state) {
  Plane(state, NoisySamples(static_cast<std::size_t>(kWidth) * kHeight));
}

// Flat content: every sample hits the same counter.
void FlatPlane(benchmark::State& state) {
  Plane(state, std::vector<std::int16_t>(static_cast<std::size_t>(kWidth) * kHeight, 2040));
}

const bool kRegistered = [] {
  RegisterSlots("HistogramS16C1/noisy", NoisyPlane);
  RegisterSlots("HistogramS16C1/flat", FlatPlane);
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
