// Out-of-range replacement in every slot: the filters' clamps on a 1920 x 1080 plane.
#include <cstdint>
#include <vector>

#include "bench_util.h"
#include "primitives/slots.h"

namespace tessaro::bench {
namespace {

// Noise reaches past both ends of [0, 4080] so both masks select something.
std::vector<std::int16_t> ClampInput() {
  std::vector<std::int16_t> v = NoisySamples(static_cast<std::size_t>(kWidth) * kHeight);
  for (std::size_t i = 0; i < v.size(); i += 7) v[i] = static_cast<std::int16_t>(v[i] * 2 - 500);
  return v;
}

// The clamp leaves the plane in range, so later iterations see fewer replacements; the
// input is restored outside the timed region.
void S16Plane(benchmark::State& state) {
  const auto slot = static_cast<std::size_t>(state.range(0));
  const std::vector<std::int16_t> input = ClampInput();
  std::vector<std::int16_t> plane = input;
  for (auto _ : state) {
    state.PauseTiming();
    plane = input;
    state.ResumeTiming();
    slots::ReplaceOutOfRangeS16C1[slot](plane.data(), kWidth * 2, {kWidth, kHeight}, 0, 0, 4080,
                                        4080);
    benchmark::ClobberMemory();
  }
  SetBytes(state, std::int64_t{kWidth} * kHeight * 2 * 2);
}

void S16Rows(benchmark::State& state) {
  const auto slot = static_cast<std::size_t>(state.range(0));
  const std::vector<std::int16_t> input = ClampInput();
  std::vector<std::int16_t> plane = input;
  for (auto _ : state) {
    state.PauseTiming();
    plane = input;
    state.ResumeTiming();
    for (std::int32_t y = 0; y < kHeight; ++y) {
      slots::ReplaceOutOfRangeS16C1[slot](plane.data() + std::size_t{kWidth} * y, kWidth * 2,
                                          {kWidth, 1}, 0, 0, 4080, 4080);
    }
    benchmark::ClobberMemory();
  }
  SetBytes(state, std::int64_t{kWidth} * kHeight * 2 * 2);
}

// One reused row of normalised floats per call, as the per-row pipeline does.
void F32Rows(benchmark::State& state) {
  const auto slot = static_cast<std::size_t>(state.range(0));
  const std::vector<std::int16_t> source = ClampInput();
  std::vector<float> input(source.size());
  for (std::size_t i = 0; i < source.size(); ++i)
    input[i] = static_cast<float>(source[i]) / 4000.0f;
  std::vector<float> rows = input;
  for (auto _ : state) {
    state.PauseTiming();
    rows = input;
    state.ResumeTiming();
    for (std::int32_t y = 0; y < kHeight; ++y) {
      slots::ReplaceOutOfRangeF32C1[slot](rows.data() + std::size_t{kWidth} * y, kWidth * 4,
                                          {kWidth, 1}, 0.0f, 0.0f, 1.0f, 1.0f);
    }
    benchmark::ClobberMemory();
  }
  SetBytes(state, std::int64_t{kWidth} * kHeight * 4 * 2);
}

const bool kRegistered = [] {
  RegisterSlots("ReplaceOutOfRangeS16C1/plane", S16Plane);
  RegisterSlots("ReplaceOutOfRangeS16C1/rows", S16Rows);
  RegisterSlots("ReplaceOutOfRangeF32C1/rows", F32Rows);
  return true;
}();

}  // namespace
}  // namespace tessaro::bench
