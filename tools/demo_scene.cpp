#include "demo_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "yc_convert.h"

namespace tessaro::tools {
namespace {

struct Rgb {
  double r, g, b;
};

struct Disc {
  double cx, cy, radius;
  Rgb colour;
};

struct Box {
  double x0, y0, x1, y1;
  Rgb colour;
};

// Positions as fractions of the width and height.
constexpr Disc kDiscs[] = {
    {0.18, 0.30, 0.13, {0.85, 0.15, 0.10}},
    {0.50, 0.62, 0.16, {0.95, 0.85, 0.20}},
    {0.82, 0.32, 0.11, {0.15, 0.35, 0.90}},
};
constexpr Box kBoxes[] = {
    {0.06, 0.66, 0.28, 0.92, {0.10, 0.70, 0.25}},
    {0.66, 0.60, 0.94, 0.90, {0.60, 0.20, 0.70}},
    {0.40, 0.08, 0.48, 0.22, {1.00, 1.00, 1.00}},
    {0.52, 0.08, 0.60, 0.22, {0.00, 0.00, 0.00}},
};

// The cast and the squeezed range of an underexposed, badly balanced camera.
Rgb Degrade(const Rgb& c) {
  constexpr double kFloor = 0.16, kRange = 0.40;
  return {kFloor + kRange * c.r * 1.10 + 0.04, kFloor + kRange * c.g, kFloor + kRange * c.b * 0.70};
}

// Reproducible noise in [-1, 1].
double Noise(std::uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return static_cast<double>(*state >> 8) / static_cast<double>(1u << 23) - 1.0;
}

}  // namespace

void BuildDemoScene(YcImage* image) {
  image->Resize(kDemoWidth, kDemoHeight);
  std::uint32_t seed = 12345;
  for (std::int32_t y = 0; y < kDemoHeight; ++y) {
    for (std::int32_t x = 0; x < kDemoWidth; ++x) {
      const double u = (x + 0.5) / kDemoWidth, v = (y + 0.5) / kDemoHeight;
      // A grey ramp left to right, a little darker towards the bottom.
      const double ramp = u * (1.0 - 0.25 * v);
      Rgb c{ramp, ramp, ramp};
      const double aspect = static_cast<double>(kDemoWidth) / kDemoHeight;
      for (const Disc& d : kDiscs) {
        const double dx = (u - d.cx) * aspect, dy = v - d.cy;
        if (dx * dx + dy * dy < d.radius * d.radius) c = d.colour;
      }
      for (const Box& b : kBoxes) {
        if (u >= b.x0 && u < b.x1 && v >= b.y0 && v < b.y1) c = b.colour;
      }
      Rgb out = Degrade(c);
      const double n = 0.012 * Noise(&seed);
      out = {std::clamp(out.r + n, 0.0, 1.0), std::clamp(out.g + n, 0.0, 1.0),
             std::clamp(out.b + n, 0.0, 1.0)};
      image->at(x, y) = RgbToYc(out.r, out.g, out.b);
    }
  }
}

}  // namespace tessaro::tools
