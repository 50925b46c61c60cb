// ReplaceOutOfRangeS16C1 and ReplaceOutOfRangeF32C1 on every code path: the generic code's
// status (and 16-bit samples), nothing changed on failure, no access outside the region.
#include <utility>

#include "fuzz_input.h"
#include "primitives/replace_out_of_range.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const ImageSize region = in.Region();
  const bool s16 = in.Bit();
  const bool null = (in.Byte() & in.Byte() & 1) != 0;
  std::int32_t ints[4];
  float floats[4];
  for (int i = 0; i < 4; ++i) {
    ints[i] = in.Int32();
    floats[i] = in.Bit() ? in.Float() : static_cast<std::int8_t>(in.Byte()) / 16.0f;
  }
  const std::int32_t bytes = s16 ? 2 : 4;
  const std::int32_t step = in.Step(std::int64_t{region.width} * bytes, bytes);
  Image image(in, region, step, bytes);
  if (image.tooLarge()) return 0;
  const bool compare = s16 && RowsDisjoint(step, std::int64_t{region.width} * bytes);

  ExpectPathsLikeGeneric({&image}, [&] {
    const Status s = s16 ? ReplaceOutOfRangeS16C1(null ? nullptr : image.at<std::int16_t>(), step,
                                                  region, ints[0], ints[1], ints[2], ints[3])
                         : ReplaceOutOfRangeF32C1(null ? nullptr : image.at<float>(), step, region,
                                                  floats[0], floats[1], floats[2], floats[3]);
    if (s != StatusOk) TESSARO_FUZZ_CHECK(image.Unchanged());
    return std::pair{s, compare ? image.Bytes() : std::vector<std::uint8_t>{}};
  });
  return 0;
}
