#include "pipeline/level_plane.h"

#include "pipeline/float_rows.h"
#include "pipeline/power.h"

namespace tessaro {

void LevelPlane(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                std::int32_t height, float low, float high, float gamma, float outScale,
                pipeline::FrameMemory* memory) {
  // The difference in single precision, its reciprocal in double, rounded once.
  const float scale =
      high != low ? static_cast<float>(1.0 / static_cast<double>(high - low)) : 1.0f;
  const float invGamma = 1.0f / gamma;
  pipeline::ForEachFloatRow(
      plane, planeStep, width, height,
      [&](float* values, std::int32_t) {
        for (std::int32_t x = 0; x < width; ++x) {
          const float t = (values[x] - low) * scale;
          values[x] = t < 0.0f ? 0.0f : t;
        }
        // t to the power 1 is t: not worth forming.
        if (invGamma != 1.0f) pipeline::PowerRow(values, width, invGamma);
        for (std::int32_t x = 0; x < width; ++x) values[x] *= outScale;
      },
      memory);
}

}  // namespace tessaro
