// The frame as both filters work on it: interleaved pixels of three signed 16-bit samples, the
// scales those samples have, and the three back-to-back planes a frame buffer can hold.
#pragma once

#include <cstdint>

#include "primitives/image_rows.h"

namespace tessaro {

// Sample scales: the host's Y runs from 0 to kYcFullScale, Cb and Cr from -kChromaCentre to
// kChromaCentre; both filters' R, G and B, and the level sliders, from 0 to kRgbFullScale.
inline constexpr std::int32_t kYcFullScale = 4096;
inline constexpr std::int32_t kChromaCentre = 2048;
inline constexpr std::int32_t kRgbFullScale = 4080;

// One pixel: three samples, channel 0, 1, 2 in memory order.
inline constexpr std::int32_t kPixelBytes = 3 * sizeof(std::int16_t);

namespace pipeline {

// An interleaved image: rows `step` bytes apart.
struct Frame {
  std::int16_t* pixels;
  std::int32_t step;
  std::int32_t width;
  std::int32_t height;
};

inline std::int16_t* RowOf(const Frame& frame, std::int32_t y) {
  return RowAt(frame.pixels, frame.step, y);
}

// What a filter is handed: the frame it rewrites in place, and scratch of the same layout.
struct Buffers {
  Frame edit;
  Frame temp;
};

// Three planes of width x height samples, rows packed (plane step 2 * width), back to back
// from the start of a frame buffer: each buffer spans at least 6 * width * height bytes.
struct Planes {
  std::int16_t* plane[3];
  std::int32_t step;
};
Planes PlanesAt(const Frame& buffer);

// The samples a filter works on: the stored ones, or R, G, B through a matrix and back.
struct WorkSpace {
  const float* toWork;    // null: the stored samples themselves
  const float* toStored;  // null exactly when toWork is
};
inline constexpr WorkSpace kStoredSamples{nullptr, nullptr};
// Y, Cb and Cr to R, G and B on 0..4080, and back.
WorkSpace RgbSamples();

}  // namespace pipeline
}  // namespace tessaro
