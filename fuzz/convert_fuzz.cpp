// ConvertS16ToF32 and ConvertF32ToS16 on every code path: the generic code's status (and, from
// 16-bit samples, its floats), nothing written on failure, no access outside the regions.
#include "fuzz_input.h"
#include "primitives/convert.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::int32_t w = in.Dimension(300);
  const std::int32_t h = in.Dimension(40);
  const bool toFloat = in.Bit();
  const std::uint8_t nulls = in.Byte() & in.Byte();
  const RoundMode mode = in.Bit() ? in.Int32() : in.Byte() % 4;
  const std::int32_t s16Step = in.Step(std::int64_t{w} * 2, 2);
  const std::int32_t f32Step = in.Step(std::int64_t{w} * 4, 4);
  Image s16(in, w, h, s16Step, 2);
  Image f32(in, w, h, f32Step, 4);
  if (s16.tooLarge() || f32.tooLarge()) return 0;
  const auto s16Bytes = s16.Bytes(), f32Bytes = f32.Bytes();
  const bool compare = RowsDisjoint(f32Step, std::int64_t{w} * 4);

  Status ref = 0;
  std::vector<std::uint8_t> refBytes;
  ForEachPath([&](std::int32_t path) {
    s16.Restore(s16Bytes);
    f32.Restore(f32Bytes);
    std::int16_t* a = (nulls & 1) ? nullptr : s16.at<std::int16_t>();
    float* b = (nulls & 2) ? nullptr : f32.at<float>();
    Status s;
    if (toFloat) {
      s = ConvertS16ToF32(a, s16Step, b, f32Step, ImageSize{w, h});
      if (s != StatusOk) TESSARO_FUZZ_CHECK(f32.Bytes() == f32Bytes);
    } else {
      s = ConvertF32ToS16(b, f32Step, a, s16Step, ImageSize{w, h}, mode);
      if (s != StatusOk) TESSARO_FUZZ_CHECK(s16.Bytes() == s16Bytes);
    }
    if (path == 0) {
      ref = s;
      refBytes = f32.Bytes();
      return;
    }
    TESSARO_FUZZ_CHECK(s == ref);
    if (toFloat && compare) TESSARO_FUZZ_CHECK(f32.Bytes() == refBytes);
  });
  return 0;
}
