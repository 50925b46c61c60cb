#include "autolevel/sample_table.h"

#include <type_traits>

#include "parallel/frame_convert.h"
#include "parallel/status_reducer.h"
#include "primitives/aligned_memory.h"
#include "primitives/arithmetic.h"

namespace tessaro {
namespace {

template <typename T>
T* RowOf(T* base, std::int32_t step, std::int32_t row) {
  using Byte = std::conditional_t<std::is_const_v<T>, const char, char>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) +
                              static_cast<std::int64_t>(row) * step);
}

}  // namespace

SampleTable::~SampleTable() {
  FreeAligned(values_);
}

bool SampleTable::Build(std::int16_t lo, std::int16_t hi, RowStage stage) {
  FreeAligned(values_);
  values_ = nullptr;
  count_ = 0;
  if (hi < lo) return false;
  const std::int32_t count = hi - lo + 1;
  auto* values = reinterpret_cast<std::int16_t*>(AllocU8(2 * count));
  if (values == nullptr) return false;
  for (std::int32_t i = 0; i < count; ++i) values[i] = static_cast<std::int16_t>(lo + i);
  stage(values, 2 * count, count);
  lo_ = lo;
  count_ = count;
  values_ = values;
  return true;
}

namespace {

// Rows mapped, then converted, per step of a band: small enough to stay in cache.
constexpr std::int32_t kRowsPerPass = 8;

// A table's fields as locals: stores into the image could otherwise alias them and force a
// reload per sample.
struct Lookup {
  const std::int16_t* values;
  std::int32_t lo;
  std::int32_t last;
  std::int16_t operator()(std::int16_t v) const {
    std::int32_t i = v - lo;
    i = i < 0 ? 0 : (i > last ? last : i);
    return values[i];
  }
};

void MapRows(std::int16_t* image, std::int32_t step, std::int32_t width, std::int32_t begin,
             std::int32_t end, const SampleTable* const tables[3]) {
  for (int c = 0; c < 3; ++c) {
    if (tables[c] == nullptr) continue;
    const Lookup t{tables[c]->values(), tables[c]->lo(), tables[c]->size() - 1};
    for (std::int32_t r = begin; r < end; ++r) {
      std::int16_t* row = RowOf(image, step, r) + c;
      for (std::int32_t x = 0; x < width; ++x) row[3 * x] = t(row[3 * x]);
    }
  }
}

}  // namespace

bool ChannelTables::Build(const std::int16_t mins[3], const std::int16_t maxs[3],
                          const bool levelled[3], ChannelStage stage) {
  for (int c = 0; c < 3; ++c) {
    if (!levelled[c]) continue;
    if (!tables_[c].Build(mins[c], maxs[c],
                          [&](std::int16_t* row, std::int32_t step, std::int32_t n) {
                            stage(c, row, step, n);
                          })) {
      return false;
    }
    use_[c] = &tables_[c];
    values_ += tables_[c].size();
  }
  return true;
}

void MapChannels(std::int16_t* image, std::int32_t step, std::int32_t width, std::int32_t height,
                 const SampleTable* const tables[3]) {
  parallel::ParallelFor(
      height,
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t r = begin; r < end; r += kRowsPerPass) {
          MapRows(image, step, width, r, end - r < kRowsPerPass ? end : r + kRowsPerPass, tables);
        }
      },
      parallel::RowGrain(width));
}

Status MapChannelsToYc(std::int16_t* rgb, std::int32_t rgbStep, std::int16_t* dst,
                       std::int32_t dstStep, std::int32_t width, std::int32_t height,
                       const SampleTable* const tables[3]) {
  const std::int32_t passes = (height + kRowsPerPass - 1) / kRowsPerPass;
  const std::int32_t grain = parallel::RowGrain(3 * static_cast<std::int64_t>(width));
  return FirstFailingRow(
      passes,
      [&](std::int32_t pass) {
        const std::int32_t begin = pass * kRowsPerPass;
        const std::int32_t end = height - begin < kRowsPerPass ? height : begin + kRowsPerPass;
        MapRows(rgb, rgbStep, width, begin, end, tables);
        Status first = StatusOk;
        for (std::int32_t r = begin; r < end; ++r) {
          const Status s = ColorMatrixS16C3(RowOf(rgb, rgbStep, r), rgbStep, RowOf(dst, dstStep, r),
                                            dstStep, ImageSize{width, 1}, RgbToYcMatrix);
          if (first == StatusOk) first = s;
        }
        return first;
      },
      (grain + kRowsPerPass - 1) / kRowsPerPass);
}

}  // namespace tessaro
