// Conversions of a 1920 x 1080 plane, one row of 1920 samples per call as the filters do, in
// every slot this processor runs.
#include "bench_util.h"
#include "primitives/slots.h"

namespace tessaro::bench {
namespace {

void S16ToF32Rows(benchmark::State& state) {
  const auto slot = static_cast<std::int32_t>(state.range(0));
  const std::vector<std::int16_t> src = NoisySamples(std::size_t{kWidth} * kHeight);
  std::vector<float> dst(src.size());
  for (auto _ : state) {
    for (std::int32_t y = 0; y < kHeight; ++y) {
      const std::size_t row = std::size_t{kWidth} * y;
      slots::ConvertS16ToF32[slot](src.data() + row, 2 * kWidth, dst.data() + row, 4 * kWidth,
                                   {kWidth, 1});
    }
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, std::int64_t{6} * kWidth * kHeight);
}

void F32ToS16Rows(benchmark::State& state) {
  const auto slot = static_cast<std::int32_t>(state.range(0));
  const std::vector<std::int16_t> samples = NoisySamples(std::size_t{kWidth} * kHeight);
  std::vector<float> src(samples.size());
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = samples[i] * 1.37f - 700.25f;
  std::vector<std::int16_t> dst(src.size());
  for (auto _ : state) {
    for (std::int32_t y = 0; y < kHeight; ++y) {
      const std::size_t row = std::size_t{kWidth} * y;
      slots::ConvertF32ToS16[slot](src.data() + row, 4 * kWidth, dst.data() + row, 2 * kWidth,
                                   {kWidth, 1}, RoundNearestEven);
    }
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, std::int64_t{6} * kWidth * kHeight);
}

const bool kRegistered = [] {
  RegisterSlots("ConvertS16ToF32/rows", S16ToF32Rows);
  RegisterSlots("ConvertF32ToS16/rows", F32ToS16Rows);
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
