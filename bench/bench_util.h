// Shared set-up of the primitive benchmarks: a 1920 x 1080 frame of noisy content, the
// slots this processor can run, and bytes-per-second reporting.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

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

// A frame of YC pixels whose RGB stays mostly inside 0..4080, as in video: noisy luma over
// the whole range, chroma within a few hundred of grey.
inline std::vector<std::int16_t> NoisyYcFrame(std::size_t pixels, std::uint32_t seed = 1) {
  std::vector<std::int16_t> v = NoisySamples(3 * pixels, seed);
  for (std::size_t i = 0; i < pixels; ++i) {
    v[3 * i + 1] = static_cast<std::int16_t>(v[3 * i + 1] / 8 - 250);
    v[3 * i + 2] = static_cast<std::int16_t>(v[3 * i + 2] / 8 - 250);
  }
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
