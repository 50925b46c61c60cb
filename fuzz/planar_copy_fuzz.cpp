// SplitS16C3 and MergeS16C3 on every code path: same status and bytes as the generic code, no
// access outside the regions.
#include <utility>

#include "fuzz_input.h"
#include "primitives/planar_copy.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const ImageSize region = in.Region();
  const std::int64_t w = region.width;
  const std::int32_t step = in.Step(w * 6, 2);
  const std::int32_t planeStep = in.Step(w * 2, 2);
  const std::uint8_t nulls = in.Byte() & in.Byte();
  const bool split = in.Bit();
  Image interleaved(in, region, step, 6);
  Image p0(in, region, planeStep, 2), p1(in, region, planeStep, 2), p2(in, region, planeStep, 2);
  if (interleaved.tooLarge() || p0.tooLarge()) return 0;
  std::int16_t* planes[3] = {(nulls & 1) ? nullptr : p0.at<std::int16_t>(),
                             (nulls & 2) ? nullptr : p1.at<std::int16_t>(),
                             (nulls & 4) ? nullptr : p2.at<std::int16_t>()};
  std::int16_t** planeArray = (nulls & 8) ? nullptr : planes;
  std::int16_t* image = (nulls & 16) ? nullptr : interleaved.at<std::int16_t>();
  const bool compare = RowsDisjoint(step, w * 6) && RowsDisjoint(planeStep, w * 2);

  ExpectPathsLikeGeneric({&interleaved, &p0, &p1, &p2}, [&] {
    const Status s = split ? SplitS16C3(image, step, planeArray, planeStep, region)
                           : MergeS16C3(planeArray, planeStep, image, step, region);
    if (s != StatusOk) {
      TESSARO_FUZZ_CHECK(interleaved.Unchanged() && p0.Unchanged() && p1.Unchanged() &&
                         p2.Unchanged());
    }
    std::vector<std::vector<std::uint8_t>> written;
    if (compare) written = {interleaved.Bytes(), p0.Bytes(), p1.Bytes(), p2.Bytes()};
    return std::pair{s, written};
  });
  return 0;
}
