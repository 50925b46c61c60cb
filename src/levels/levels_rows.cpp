#include "levels/levels_rows.h"

#include "host/host_records.h"
#include "parallel/parallel.h"
#include "primitives/aligned_memory.h"
#include "primitives/convert.h"
#include "primitives/replace_out_of_range.h"

namespace tessaro {
namespace {

constexpr std::int32_t kFullScale = kRgbFullScale;
constexpr float kFullScaleF = static_cast<float>(kRgbFullScale);
constexpr float kTargetLow = 0.0f;

std::int16_t* PlaneRow(std::int16_t* plane, std::int32_t planeStep, std::int32_t r) {
  return reinterpret_cast<std::int16_t*>(reinterpret_cast<char*>(plane) +
                                         static_cast<std::int64_t>(r) * planeStep);
}

// Each row in its own float buffer: widened, handed to rowOp(values, floatStep), rounded
// back (nearest, ties to even) and released.
template <typename RowOp>
void ForEachFloatRow(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                     std::int32_t height, const RowOp& rowOp) {
  const ImageSize rowSize{width, 1};
  parallel::ParallelFor(
      height,
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t r = begin; r < end; ++r) {
          std::int16_t* row = PlaneRow(plane, planeStep, r);
          std::int32_t floatStep = 0;
          float* values = AllocRowsF32(width, 1, &floatStep);
          if (values == nullptr) continue;
          if (ConvertS16ToF32(row, planeStep, values, floatStep, rowSize) == StatusOk) {
            rowOp(values, floatStep);
            ConvertF32ToS16(values, floatStep, row, planeStep, rowSize, RoundNearestEven);
          }
          FreeRows(values);
        }
      },
      parallel::RowGrain(width));
}

}  // namespace

void ClampPlaneRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                    std::int32_t height) {
  parallel::ParallelFor(
      height,
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t r = begin; r < end; ++r) {
          ReplaceOutOfRangeS16C1(PlaneRow(plane, planeStep, r), planeStep, ImageSize{width, 1}, 0,
                                 0, kFullScale, kFullScale);
        }
      },
      parallel::RowGrain(width));
}

void ContrastStretchRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                         std::int32_t height, float lowClip, float highClip) {
  const float span = highClip - lowClip;
  ForEachFloatRow(plane, planeStep, width, height, [&](float* values, std::int32_t floatStep) {
    // The true quotient throughout: a reciprocal estimate could move the end points.
    for (std::int32_t x = 0; x < width; ++x) values[x] = (values[x] - lowClip) / span;
    ReplaceOutOfRangeF32C1(values, floatStep, ImageSize{width, 1}, 0.0f, 0.0f, 1.0f, 1.0f);
    for (std::int32_t x = 0; x < width; ++x) values[x] = values[x] * kFullScaleF + kTargetLow;
  });
}

void ApplyOutputLevelRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                          std::int32_t height, float outHigh, float outLow) {
  const float span = outHigh - outLow;
  ForEachFloatRow(plane, planeStep, width, height, [&](float* values, std::int32_t) {
    // The output curve's exponent is fixed at 1, so the power is left out: t^1 == t exactly.
    for (std::int32_t x = 0; x < width; ++x) values[x] = values[x] / kFullScaleF * span + outLow;
  });
}

}  // namespace tessaro
