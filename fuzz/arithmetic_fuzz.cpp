// ColorMatrixS16C3 and SubConstS16C1 on every code path: the generic code's status, nothing
// written on failure, no access outside the regions. (The matrix paths may round one apart.)
#include "fuzz_input.h"
#include "primitives/arithmetic.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::int32_t w = in.Dimension(300);
  const std::int32_t h = in.Dimension(40);
  const bool matrixCase = in.Bit();
  const std::uint8_t nulls = in.Byte() & in.Byte();
  const std::int32_t value = in.Int32();
  const std::int32_t scale = in.Bit() ? in.Int32() : static_cast<std::int8_t>(in.Byte()) % 20;
  float matrix[12];
  for (float& m : matrix) m = in.Bit() ? in.Float() : static_cast<std::int8_t>(in.Byte()) / 64.0f;
  const std::int32_t srcStep = in.Step(std::int64_t{w} * (matrixCase ? 6 : 2), 2);
  const std::int32_t dstStep = in.Step(std::int64_t{w} * 6, 2);
  Image src(in, w, h, srcStep, matrixCase ? 6 : 2);
  Image dst(in, w, h, dstStep, 6);
  if (src.tooLarge() || dst.tooLarge()) return 0;
  const auto srcBytes = src.Bytes(), dstBytes = dst.Bytes();
  const bool compare = RowsDisjoint(srcStep, std::int64_t{w} * 2);

  Status ref = 0;
  std::vector<std::uint8_t> refBytes;
  ForEachPath([&](std::int32_t path) {
    src.Restore(srcBytes);
    dst.Restore(dstBytes);
    Status s;
    if (matrixCase) {
      s = ColorMatrixS16C3((nulls & 1) ? nullptr : src.at<std::int16_t>(), srcStep,
                           (nulls & 2) ? nullptr : dst.at<std::int16_t>(), dstStep, ImageSize{w, h},
                           (nulls & 4) ? nullptr : matrix);
      if (s != StatusOk) TESSARO_FUZZ_CHECK(dst.Bytes() == dstBytes);
    } else {
      s = SubConstS16C1(value, (nulls & 1) ? nullptr : src.at<std::int16_t>(), srcStep,
                        ImageSize{w, h}, scale);
      if (s != StatusOk) TESSARO_FUZZ_CHECK(src.Bytes() == srcBytes);
    }
    if (path == 0) {
      ref = s;
      refBytes = src.Bytes();
      return;
    }
    TESSARO_FUZZ_CHECK(s == ref);
    if (!matrixCase && compare) TESSARO_FUZZ_CHECK(src.Bytes() == refBytes);
  });
  return 0;
}
