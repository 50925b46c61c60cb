#include "autolevel/level_plane.h"

#include <cmath>

#include "parallel/parallel.h"
#include "primitives/aligned_memory.h"
#include "primitives/convert.h"

namespace tessaro {
namespace {

inline float LevelSample(float v, float low, float scale, float invGamma, float outScale) {
  float t = (v - low) * scale;
  if (t < 0.0f) t = 0.0f;
  // Both targets' power gives every t >= 0 raised to 1 back exactly; one of them is slow at it.
  return (invGamma == 1.0f ? t : std::pow(t, invGamma)) * outScale;
}

}  // namespace

void LevelPlane(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                std::int32_t height, float high, float low, float gamma, float outScale) {
  // The difference in single precision, its reciprocal in double, rounded once.
  const float scale =
      high != low ? static_cast<float>(1.0 / static_cast<double>(high - low)) : 1.0f;
  const float invGamma = 1.0f / gamma;
  if (height <= 0) return;
  parallel::ParallelFor(
      height,
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t r = begin; r < end; ++r) {
          std::int16_t* row = reinterpret_cast<std::int16_t*>(
              reinterpret_cast<char*>(plane) + static_cast<std::int64_t>(r) * planeStep);
          std::int32_t floatStep = 0;
          float* values = AllocRowsF32(width, 1, &floatStep);
          if (values == nullptr) continue;
          if (ConvertS16ToF32(row, planeStep, values, floatStep, ImageSize{width, 1}) == StatusOk) {
            for (std::int32_t x = 0; x < width; ++x) {
              values[x] = LevelSample(values[x], low, scale, invGamma, outScale);
            }
            ConvertF32ToS16(values, floatStep, row, planeStep, ImageSize{width, 1},
                            RoundNearestEven);
          }
          FreeRows(values);
        }
      },
      parallel::RowGrain(width));
}

}  // namespace tessaro
