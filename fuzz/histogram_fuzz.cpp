// The histogram record and counting primitives with any type, sizes, level counts and bounds:
// buffers exactly as large as the sizes they report, every path sizing, filling, reading and
// counting like the generic code.
#include <algorithm>
#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "fuzz_input.h"
#include "primitives/histogram.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const DataType type =
      in.Bit() ? in.Int32() : std::array<DataType, 6>{1, 5, 7, 13, 2, 0}[in.Byte() % 6];
  const ImageSize region = in.Region();
  const std::int32_t channels = in.Bit() ? in.Int32() : in.Byte() % 6;
  const std::uint8_t nulls = in.Byte() & in.Byte();
  // Exactly one entry per channel the primitives may read.
  const std::size_t n = static_cast<std::size_t>(std::clamp(channels, 1, 4));
  std::vector<std::int32_t> levels(n);
  std::vector<float> lower(n), upper(n);
  for (std::size_t c = 0; c < n; ++c) {
    levels[c] = in.Bit() ? in.Int32() : in.Dimension(5000);
    lower[c] = in.Bit() ? in.Float() : static_cast<float>(static_cast<std::int16_t>(in.Int32()));
    upper[c] = in.Bit() ? in.Float() : static_cast<float>(static_cast<std::int16_t>(in.Int32()));
  }
  std::int32_t specSize = -1, bufferSize = -1;
  const std::int32_t hint = in.Int32();
  Status sized = StatusOk;
  ExpectPathsLikeGeneric([&] {
    specSize = bufferSize = -1;
    sized = HistogramGetSize(type, region, (nulls & 1) ? nullptr : levels.data(), channels, hint,
                             &specSize, &bufferSize);
    return std::tuple{sized, specSize, bufferSize};
  });
  if (sized != StatusOk) return 0;
  std::int64_t levelBytes = 0;
  for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c)
    levelBytes += 4 * std::int64_t{levels[c]};
  TESSARO_FUZZ_CHECK(specSize == 48 + levelBytes && bufferSize >= 0);
  if (specSize > kMaxSpanBytes) return 0;
  std::vector<std::uint8_t> recordMemory(static_cast<std::size_t>(specSize));
  auto* record = reinterpret_cast<HistogramSpec*>(recordMemory.data());
  Status init = StatusOk;
  // Float levels may differ in their last bit between paths; integer levels may not.
  ExpectPathsLikeGeneric([&] {
    std::fill(recordMemory.begin(), recordMemory.end(), std::uint8_t{0x3c});
    init = HistogramInitUniform(type, lower.data(), upper.data(), levels.data(), channels,
                                (nulls & 2) ? nullptr : record);
    if (init != StatusOk && init != StatusLevelStepWarning) {
      TESSARO_FUZZ_CHECK(std::all_of(recordMemory.begin(), recordMemory.end(),
                                     [](std::uint8_t b) { return b == 0x3c; }));
    }
    return std::pair{init, type == DataTypeF32 ? std::vector<std::uint8_t>{} : recordMemory};
  });
  if (init != StatusOk && init != StatusLevelStepWarning) return 0;

  std::vector<std::vector<float>> levelCopies;
  std::vector<float*> levelPointers;
  for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c) {
    levelCopies.emplace_back(static_cast<std::size_t>(levels[c]));
    levelPointers.push_back(levelCopies.back().data());
  }
  // Compared as bytes: a bound that is not a number gives a level unequal to itself.
  ExpectPathsLikeGeneric([&] {
    for (auto& copy : levelCopies) std::fill(copy.begin(), copy.end(), -1.0f);
    TESSARO_FUZZ_CHECK(HistogramGetLevels(record, levelPointers.data()) == StatusOk);
    std::vector<std::uint8_t> bytes;
    for (const auto& copy : levelCopies) {
      const auto* first = reinterpret_cast<const std::uint8_t*>(copy.data());
      bytes.insert(bytes.end(), first, first + 4 * copy.size());
    }
    return bytes;
  });
  if (type != DataTypeS16 && type != DataTypeU16) return 0;

  const std::int32_t step = in.Step(std::int64_t{region.width} * 2, 2);
  Image image(in, region, step, 2);
  if (image.tooLarge()) return 0;
  std::vector<std::int32_t> bins(static_cast<std::size_t>(levels[0] - 1));
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(bufferSize));
  ExpectPathsLikeGeneric([&] {
    std::fill(bins.begin(), bins.end(), -3);
    const Status s = HistogramS16C1((nulls & 4) ? nullptr : image.at<std::int16_t>(), step, region,
                                    bins.data(), record, buffer.data());
    return std::pair{s, bins};
  });
  return 0;
}
