// ConvertS16ToF32 and ConvertF32ToS16 on every code path: the generic code's status (and, from
// 16-bit samples, its floats), nothing written on failure, no access outside the regions.
#include <utility>

#include "fuzz_input.h"
#include "primitives/convert.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const ImageSize region = in.Region();
  const bool toFloat = in.Bit();
  const std::uint8_t nulls = in.Byte() & in.Byte();
  const RoundMode mode = in.Bit() ? in.Int32() : in.Byte() % 4;
  const std::int64_t w = region.width;
  const std::int32_t s16Step = in.Step(w * 2, 2);
  const std::int32_t f32Step = in.Step(w * 4, 4);
  Image s16(in, region, s16Step, 2);
  Image f32(in, region, f32Step, 4);
  if (s16.tooLarge() || f32.tooLarge()) return 0;
  const bool compare = toFloat && RowsDisjoint(f32Step, w * 4);

  ExpectPathsLikeGeneric({&s16, &f32}, [&] {
    std::int16_t* a = (nulls & 1) ? nullptr : s16.at<std::int16_t>();
    float* b = (nulls & 2) ? nullptr : f32.at<float>();
    const Status s = toFloat ? ConvertS16ToF32(a, s16Step, b, f32Step, region)
                             : ConvertF32ToS16(b, f32Step, a, s16Step, region, mode);
    if (s != StatusOk) TESSARO_FUZZ_CHECK((toFloat ? f32 : s16).Unchanged());
    return std::pair{s, compare ? f32.Bytes() : std::vector<std::uint8_t>{}};
  });
  return 0;
}
