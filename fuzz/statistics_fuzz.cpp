// MeanS16C3 and MinMaxS16C3 on every code path: same status and results as the generic code,
// outputs untouched on failure, no access outside the region.
#include <cstring>

#include "fuzz_input.h"
#include "primitives/statistics.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::int32_t w = in.Dimension(300);
  const std::int32_t h = in.Dimension(40);
  const std::int32_t step = in.Step(std::int64_t{w} * 6, 2);
  const std::uint8_t nulls = in.Byte() & in.Byte();
  Image src(in, w, h, step, 6);
  if (src.tooLarge()) return 0;
  const std::int16_t* image = (nulls & 1) ? nullptr : src.at<std::int16_t>();

  Status meanRef = 0, minMaxRef = 0;
  double meansRef[3];
  std::int16_t minsRef[3], maxsRef[3];
  ForEachPath([&](std::int32_t path) {
    double means[3] = {-1.5, -2.5, -3.5};
    std::int16_t mins[3] = {11, 12, 13}, maxs[3] = {21, 22, 23};
    const Status mean = MeanS16C3(image, step, ImageSize{w, h}, (nulls & 2) ? nullptr : means);
    const Status minMax = MinMaxS16C3(image, step, ImageSize{w, h}, (nulls & 4) ? nullptr : mins,
                                      (nulls & 8) ? nullptr : maxs);
    if (mean != StatusOk)
      TESSARO_FUZZ_CHECK(means[0] == -1.5 && means[1] == -2.5 && means[2] == -3.5);
    if (minMax != StatusOk) TESSARO_FUZZ_CHECK(mins[0] == 11 && maxs[2] == 23);
    if (path == 0) {
      meanRef = mean;
      minMaxRef = minMax;
      std::memcpy(meansRef, means, sizeof means);
      std::memcpy(minsRef, mins, sizeof mins);
      std::memcpy(maxsRef, maxs, sizeof maxs);
      return;
    }
    TESSARO_FUZZ_CHECK(mean == meanRef && minMax == minMaxRef);
    TESSARO_FUZZ_CHECK(std::memcmp(means, meansRef, sizeof means) == 0);
    TESSARO_FUZZ_CHECK(std::memcmp(mins, minsRef, sizeof mins) == 0);
    TESSARO_FUZZ_CHECK(std::memcmp(maxs, maxsRef, sizeof maxs) == 0);
  });
  return 0;
}
