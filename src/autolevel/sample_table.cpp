#include "autolevel/sample_table.h"

#include <type_traits>

#include "primitives/aligned_memory.h"

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

void MapChannels(std::int16_t* image, std::int32_t step, std::int32_t width, std::int32_t height,
                 const SampleTable* const tables[3]) {
  parallel::ParallelFor(
      height,
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t r = begin; r < end; ++r) {
          std::int16_t* row = RowOf(image, step, r);
          for (int c = 0; c < 3; ++c) {
            if (tables[c] == nullptr) continue;
            const SampleTable& t = *tables[c];
            for (std::int32_t x = 0; x < width; ++x) row[3 * x + c] = t(row[3 * x + c]);
          }
        }
      },
      parallel::RowGrain(width));
}

void MergeThroughTables(const std::int16_t* const planes[3], std::int32_t planeStep,
                        const SampleTable* const tables[3], std::int16_t* dst, std::int32_t dstStep,
                        std::int32_t width, std::int32_t height) {
  const SampleTable& t0 = *tables[0];
  const SampleTable& t1 = *tables[1];
  const SampleTable& t2 = *tables[2];
  parallel::ParallelFor(
      height,
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t r = begin; r < end; ++r) {
          const std::int16_t* p0 = RowOf(planes[0], planeStep, r);
          const std::int16_t* p1 = RowOf(planes[1], planeStep, r);
          const std::int16_t* p2 = RowOf(planes[2], planeStep, r);
          std::int16_t* out = RowOf(dst, dstStep, r);
          for (std::int32_t x = 0; x < width; ++x) {
            out[3 * x] = t0(p0[x]);
            out[3 * x + 1] = t1(p1[x]);
            out[3 * x + 2] = t2(p2[x]);
          }
        }
      },
      parallel::RowGrain(width));
}

}  // namespace tessaro
