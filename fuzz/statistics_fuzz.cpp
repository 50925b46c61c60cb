// MeanS16C3 and MinMaxS16C3 on every code path: same status and results as the generic code,
// outputs untouched on failure, no access outside the region.
#include <array>
#include <bit>
#include <tuple>

#include "fuzz_input.h"
#include "primitives/statistics.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const ImageSize region = in.Region();
  const std::int32_t step = in.Step(std::int64_t{region.width} * 6, 2);
  const std::uint8_t nulls = in.Byte() & in.Byte();
  Image src(in, region, step, 6);
  if (src.tooLarge()) return 0;
  const std::int16_t* image = (nulls & 1) ? nullptr : src.at<std::int16_t>();

  ExpectPathsLikeGeneric([&] {
    double means[3] = {-1.5, -2.5, -3.5};
    std::int16_t mins[3] = {11, 12, 13}, maxs[3] = {21, 22, 23};
    const Status mean = MeanS16C3(image, step, region, (nulls & 2) ? nullptr : means);
    const Status minMax = MinMaxS16C3(image, step, region, (nulls & 4) ? nullptr : mins,
                                      (nulls & 8) ? nullptr : maxs);
    if (mean != StatusOk)
      TESSARO_FUZZ_CHECK(means[0] == -1.5 && means[1] == -2.5 && means[2] == -3.5);
    if (minMax != StatusOk) TESSARO_FUZZ_CHECK(mins[0] == 11 && maxs[2] == 23);
    // The means compared bit for bit, as the paths must give them.
    return std::tuple{mean, minMax, std::bit_cast<std::array<std::uint64_t, 3>>(means),
                      std::to_array(mins), std::to_array(maxs)};
  });
  return 0;
}
