// Shared set-up of the primitive benchmarks: a 1920 x 1080 frame of noisy content, the
// slots this processor can run, and bytes-per-second reporting.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_cases.h"
#include "primitives/cpu.h"

namespace tessaro::bench {

inline constexpr std::int32_t kWidth = 1920;
inline constexpr std::int32_t kHeight = 1080;

inline std::int32_t HighestRunnableSlot() {
  CpuFeatureMask mask = 0;
  return GetCpuFeatures(&mask) == StatusOk ? ChooseCpuPath(mask) : 0;
}

// Samples of a gradient with noise, in 0..4080 like the filters' planes.
inline std::vector<std::int16_t> NoisySamples(std::size_t count, std::uint32_t seed = 1) {
  std::vector<std::int16_t> v(count);
  for (std::size_t i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    v[i] = static_cast<std::int16_t>((i * 7 % 3600) + (seed >> 24) % 480);
  }
  return v;
}

// The scene the filter benchmarks run on, as interleaved samples.
inline std::vector<std::int16_t> SceneSamples() {
  const tools::YcImage scene = tools::BenchScene(kWidth, kHeight);
  std::vector<std::int16_t> v;
  v.reserve(scene.pixels.size() * 3);
  for (const YcPixel& p : scene.pixels) v.insert(v.end(), {p.y, p.cb, p.cr});
  return v;
}

// Registers name/slot for every slot up to the highest this processor runs; the benchmark
// reads its slot from state.range(0).
template <typename Fn>
void RegisterSlots(const char* name, Fn fn) {
  for (std::int32_t slot = 0; slot <= HighestRunnableSlot(); ++slot) {
    benchmark::RegisterBenchmark(name, fn)->Arg(slot)->Unit(benchmark::kMicrosecond);
  }
}

inline void SetBytes(benchmark::State& state, std::int64_t bytesPerIteration) {
  state.SetBytesProcessed(state.iterations() * bytesPerIteration);
}

}  // namespace tessaro::bench
