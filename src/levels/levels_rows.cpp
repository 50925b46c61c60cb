#include "levels/levels_rows.h"

#include "parallel/parallel.h"
#include "pipeline/float_rows.h"
#include "pipeline/frame.h"
#include "primitives/image_rows.h"
#include "primitives/replace_out_of_range.h"

namespace tessaro {
namespace {

constexpr float kRgbScale = static_cast<float>(kRgbFullScale);
constexpr float kTargetLow = 0.0f;

}  // namespace

void ClampPlaneRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                    std::int32_t height) {
  parallel::ParallelFor(
      height,
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t r = begin; r < end; ++r) {
          ReplaceOutOfRangeS16C1(RowAt(plane, planeStep, r), planeStep, ImageSize{width, 1}, 0, 0,
                                 kRgbFullScale, kRgbFullScale);
        }
      },
      parallel::RowGrain(width));
}

void ContrastStretchRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                         std::int32_t height, float lowClip, float highClip,
                         pipeline::FrameMemory* memory) {
  const float span = highClip - lowClip;
  pipeline::ForEachFloatRow(
      plane, planeStep, width, height,
      [&](float* values, std::int32_t floatStep) {
        // The true quotient throughout: a reciprocal estimate could move
        // the end points.
        for (std::int32_t x = 0; x < width; ++x) {
          values[x] = (values[x] - lowClip) / span;
        }
        ReplaceOutOfRangeF32C1(values, floatStep, ImageSize{width, 1}, 0.0f, 0.0f, 1.0f, 1.0f);
        for (std::int32_t x = 0; x < width; ++x) {
          values[x] = values[x] * kRgbScale + kTargetLow;
        }
      },
      memory);
}

void ApplyOutputLevelRows(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                          std::int32_t height, float outLow, float outHigh,
                          pipeline::FrameMemory* memory) {
  const float span = outHigh - outLow;
  pipeline::ForEachFloatRow(
      plane, planeStep, width, height,
      [&](float* values, std::int32_t) {
        // The output curve's exponent is fixed at 1, so the power is left out: t^1 == t exactly.
        for (std::int32_t x = 0; x < width; ++x) values[x] = values[x] / kRgbScale * span + outLow;
      },
      memory);
}

}  // namespace tessaro
