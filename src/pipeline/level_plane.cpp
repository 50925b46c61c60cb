#include "pipeline/level_plane.h"

#include <cmath>

#include "pipeline/float_rows.h"

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
                std::int32_t height, float low, float high, float gamma, float outScale) {
  // The difference in single precision, its reciprocal in double, rounded once.
  const float scale =
      high != low ? static_cast<float>(1.0 / static_cast<double>(high - low)) : 1.0f;
  const float invGamma = 1.0f / gamma;
  pipeline::ForEachFloatRow(plane, planeStep, width, height, [&](float* values, std::int32_t) {
    for (std::int32_t x = 0; x < width; ++x) {
      values[x] = LevelSample(values[x], low, scale, invGamma, outScale);
    }
  });
}

}  // namespace tessaro
