// ColorMatrixS16C3 and SubConstS16C1 on every code path: the generic code's status, nothing
// written on failure, no access outside the regions. (The matrix paths may round one apart.)
#include <utility>

#include "fuzz_input.h"
#include "primitives/arithmetic.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const ImageSize region = in.Region();
  const bool matrixCase = in.Bit();
  const std::uint8_t nulls = in.Byte() & in.Byte();
  const std::int32_t value = in.Int32();
  const std::int32_t scale = in.Bit() ? in.Int32() : static_cast<std::int8_t>(in.Byte()) % 20;
  float matrix[12];
  for (float& m : matrix) m = in.Bit() ? in.Float() : static_cast<std::int8_t>(in.Byte()) / 64.0f;
  const std::int64_t w = region.width;
  const std::int32_t srcStep = in.Step(w * (matrixCase ? 6 : 2), 2);
  const std::int32_t dstStep = in.Step(w * 6, 2);
  Image src(in, region, srcStep, matrixCase ? 6 : 2);
  Image dst(in, region, dstStep, 6);
  if (src.tooLarge() || dst.tooLarge()) return 0;
  const bool compare = !matrixCase && RowsDisjoint(srcStep, w * 2);

  ExpectPathsLikeGeneric({&src, &dst}, [&] {
    if (matrixCase) {
      const Status s = ColorMatrixS16C3((nulls & 1) ? nullptr : src.at<std::int16_t>(), srcStep,
                                        (nulls & 2) ? nullptr : dst.at<std::int16_t>(), dstStep,
                                        region, (nulls & 4) ? nullptr : matrix);
      if (s != StatusOk) TESSARO_FUZZ_CHECK(dst.Unchanged());
      return std::pair{s, std::vector<std::uint8_t>{}};
    }
    const Status s = SubConstS16C1(value, (nulls & 1) ? nullptr : src.at<std::int16_t>(), srcStep,
                                   region, scale);
    if (s != StatusOk) TESSARO_FUZZ_CHECK(src.Unchanged());
    return std::pair{s, compare ? src.Bytes() : std::vector<std::uint8_t>{}};
  });
  return 0;
}
