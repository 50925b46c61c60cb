// Primitive benchmarks in every slot, with a copy of the same frame as the floor.
#include <cstring>

#include "bench_util.h"

namespace tessaro::bench {
namespace {

// One read and one write of a 1920 x 1080 frame of three 16-bit samples per pixel.
void MemcpyFrame(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(kWidth) * kHeight * 6;
  std::vector<std::uint8_t> src(bytes, 1), dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<std::int64_t>(bytes) * 2);
}
BENCHMARK(MemcpyFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tessaro::bench

BENCHMARK_MAIN();
