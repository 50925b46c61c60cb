// SplitS16C3 and MergeS16C3 on every code path: same status and bytes as the generic code, no
// access outside the regions.
#include "fuzz_input.h"
#include "primitives/planar_copy.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::int32_t w = in.Dimension(300);
  const std::int32_t h = in.Dimension(40);
  const std::int32_t step = in.Step(std::int64_t{w} * 6, 2);
  const std::int32_t planeStep = in.Step(std::int64_t{w} * 2, 2);
  const std::uint8_t nulls = in.Byte() & in.Byte();
  const bool split = in.Bit();
  Image interleaved(in, w, h, step, 6);
  Image p0(in, w, h, planeStep, 2), p1(in, w, h, planeStep, 2), p2(in, w, h, planeStep, 2);
  if (interleaved.tooLarge() || p0.tooLarge()) return 0;
  std::int16_t* planes[3] = {(nulls & 1) ? nullptr : p0.at<std::int16_t>(),
                             (nulls & 2) ? nullptr : p1.at<std::int16_t>(),
                             (nulls & 4) ? nullptr : p2.at<std::int16_t>()};
  std::int16_t** planeArray = (nulls & 8) ? nullptr : planes;
  std::int16_t* image = (nulls & 16) ? nullptr : interleaved.at<std::int16_t>();
  const bool compare =
      RowsDisjoint(step, std::int64_t{w} * 6) && RowsDisjoint(planeStep, std::int64_t{w} * 2);

  const auto in0 = interleaved.Bytes(), q0 = p0.Bytes(), q1 = p1.Bytes(), q2 = p2.Bytes();
  Status ref = 0;
  std::vector<std::uint8_t> out[4];
  ForEachPath([&](std::int32_t path) {
    interleaved.Restore(in0);
    p0.Restore(q0);
    p1.Restore(q1);
    p2.Restore(q2);
    const Status s = split ? SplitS16C3(image, step, planeArray, planeStep, ImageSize{w, h})
                           : MergeS16C3(planeArray, planeStep, image, step, ImageSize{w, h});
    if (s != StatusOk) {
      TESSARO_FUZZ_CHECK(interleaved.Bytes() == in0 && p0.Bytes() == q0 && p1.Bytes() == q1 &&
                         p2.Bytes() == q2);
    }
    const std::vector<std::uint8_t> now[4] = {interleaved.Bytes(), p0.Bytes(), p1.Bytes(),
                                              p2.Bytes()};
    if (path == 0) {
      ref = s;
      for (int i = 0; i < 4; ++i) out[i] = now[i];
      return;
    }
    TESSARO_FUZZ_CHECK(s == ref);
    if (compare) {
      for (int i = 0; i < 4; ++i) TESSARO_FUZZ_CHECK(now[i] == out[i]);
    }
  });
  return 0;
}
