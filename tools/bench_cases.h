// The filter settings whose speed the benchmarks and `tessaro bench` report, and the noisy
// scene they run on: one list, so that both measure the same work.
#pragma once

#include <cstdint>
#include <vector>

#include "command_line.h"
#include "yc_image.h"

namespace tessaro::tools {

struct BenchCase {
  const char* label;
  const char* filter;
  std::vector<Setting> settings;  // applied as `tessaro apply` applies them
};

// "Auto Level" default, with "Cb" and "Cr", in "RGB mode" (Skip 0, so that no frame is
// skipped), and "Quillon Level" default and heavy (every channel clipped at 41/4080 on both
// ends, gamma 0.73, output 200..3900).
const std::vector<BenchCase>& BenchCases();

// A dim gradient with a colour cast, a few flat shapes, and noise in every sample.
YcImage BenchScene(std::int32_t width, std::int32_t height);

}  // namespace tessaro::tools
