// ColorMatrixS16C3 row by row over an interleaved 1920 x 1080 frame, and SubConstS16C1 on a
// whole plane, in every slot this processor runs.
#include "bench_util.h"
#include "primitives/slots.h"

namespace tessaro::bench {
namespace {

void ColorMatrixRows(benchmark::State& state) {
  const auto slot = static_cast<std::int32_t>(state.range(0));
  const std::int32_t step = kWidth * 6;
  const std::vector<std::int16_t> src = NoisySamples(std::size_t{3} * kWidth * kHeight);
  std::vector<std::int16_t> dst(src.size());
  // A YCbCr-to-RGB style matrix with offsets.
  const float m[12] = {1.0f,      0.0f,    1.402f, -2871.3f, 1.0f, -0.34414f,
                       -0.71414f, 2167.0f, 1.0f,   1.772f,   0.0f, -3629.1f};
  for (auto _ : state) {
    for (std::int32_t y = 0; y < kHeight; ++y) {
      const std::size_t row = std::size_t{3} * kWidth * y;
      slots::ColorMatrixS16C3[slot](src.data() + row, step, dst.data() + row, step, {kWidth, 1}, m);
    }
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, std::int64_t{2} * step * kHeight);
}

void SubConstPlane(benchmark::State& state) {
  const auto slot = static_cast<std::int32_t>(state.range(0));
  std::vector<std::int16_t> plane = NoisySamples(std::size_t{kWidth} * kHeight);
  // Alternating constants keep the samples in range over many iterations.
  std::int32_t value = 2048;
  for (auto _ : state) {
    slots::SubConstS16C1[slot](value, plane.data(), 2 * kWidth, {kWidth, kHeight}, 0);
    value = -value;
    benchmark::DoNotOptimize(plane.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, std::int64_t{4} * kWidth * kHeight);
}

const bool kRegistered = [] {
  RegisterSlots("ColorMatrixS16C3/rows", ColorMatrixRows);
  RegisterSlots("SubConstS16C1/plane", SubConstPlane);
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
