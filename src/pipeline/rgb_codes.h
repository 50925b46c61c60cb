// 8-bit RGB codes and the filters' samples. Working on R, G and B, a code c is the sample
// 16 c on the 0..4080 scale, exactly, and a sample goes back to the nearest code. Working on
// Y, Cb and Cr, a pixel's samples are its BT.601 luma and colour differences on the editor's
// scale (Y 4096 (0.299 r + 0.587 g + 0.114 b), Cb 4096 (b - y) / 1.772, Cr 4096 (r - y) / 1.402,
// r, g, b the codes over 255), each the nearest integer; what the filter changes goes back as
// the matching change of R, G and B, added to the pixel as it came. Internal linkage: the
// kernels of every instruction set include it.
#pragma once

#include <cstdint>

namespace tessaro {
namespace {
namespace rgb_codes {

// The sample of code c, and the nearest code of a sample (ties to the even code), clamped.
constexpr std::int32_t kCodeUnits = 16;
inline std::int32_t CodeOfSample(std::int32_t v) {
  if (v <= 0) return 0;
  if (v >= 255 * kCodeUnits) return 255;
  return (v + 7 + ((v >> 4) & 1)) >> 4;
}

// The luma and colour differences as integer quotients: 4096 (299 R + 587 G + 114 B) / 255000,
// 4096 (886 B - 299 R - 587 G) / 451860 and 4096 (701 R - 587 G - 114 B) / 357510, each
// rounded to the nearest integer. None of them can lie half-way, so these are also the
// nearest integers to the formulas evaluated in double precision.
inline std::int32_t LumaOf(std::int32_t r, std::int32_t g, std::int32_t b) {
  return (1024 * (299 * r + 587 * g + 114 * b) + 31875) / 63750;
}
inline std::int32_t RoundedQuotient(std::int32_t n, std::int32_t twiceDenominator) {
  // n / d to the nearest integer, halves away from zero: (2 n + d) / 2d, mirrored.
  const std::int32_t d = twiceDenominator / 2;
  return n >= 0 ? (2 * n + d) / twiceDenominator : -((-2 * n + d) / twiceDenominator);
}
inline std::int32_t BlueDifferenceOf(std::int32_t r, std::int32_t g, std::int32_t b) {
  return RoundedQuotient(4096 * (886 * b - 299 * r - 587 * g), 2 * 451860);
}
inline std::int32_t RedDifferenceOf(std::int32_t r, std::int32_t g, std::int32_t b) {
  return RoundedQuotient(4096 * (701 * r - 587 * g - 114 * b), 2 * 357510);
}

// The change of R, G and B that a change of Y, Cb and Cr makes, in 1/65536 of a code per
// sample: 255/4096 (dY + 1.402 dCr), 255/4096 (dY - 0.714136 dCr - 0.344136 dCb),
// 255/4096 (dY + 1.772 dCb).
constexpr std::int32_t kCodeShift = 16;
constexpr std::int32_t kLumaToCode = 4080;
constexpr std::int32_t kCrToRed = 5720;
constexpr std::int32_t kCrToGreen = -2914;
constexpr std::int32_t kCbToGreen = -1404;
constexpr std::int32_t kCbToBlue = 7230;

// code + change, the change rounded half up, clamped to 0..255.
inline std::int32_t Moved(std::int32_t code, std::int32_t change) {
  const std::int32_t v = code + ((change + (1 << (kCodeShift - 1))) >> kCodeShift);
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Moves the pixel r, g, b by the change of its samples.
inline void MovePixel(std::int32_t dy, std::int32_t dcb, std::int32_t dcr, std::uint8_t* r,
                      std::uint8_t* g, std::uint8_t* b) {
  const std::int32_t luma = kLumaToCode * dy;
  *r = static_cast<std::uint8_t>(Moved(*r, luma + kCrToRed * dcr));
  *g = static_cast<std::uint8_t>(Moved(*g, luma + kCrToGreen * dcr + kCbToGreen * dcb));
  *b = static_cast<std::uint8_t>(Moved(*b, luma + kCbToBlue * dcb));
}

}  // namespace rgb_codes
}  // namespace
}  // namespace tessaro
