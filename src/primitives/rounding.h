// Scalar rounding, saturation, row addressing and unaligned sample access, shared by the
// generic implementations and by the scalar tails of the SIMD ones. Internal linkage on
// purpose: a file compiled for a newer instruction set must never lend its copy to the rest of
// the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "primitives/convert.h"
#include "primitives/image_rows.h"

namespace tessaro {
namespace {

// Nearest integer, ties to the even neighbour, computed explicitly so that the caller's
// rounding mode does not matter. Exact for every float: x +- 0.5 is exact in double.
inline std::int32_t RoundHalfToEven(double x) {
  const double t = x >= 0.0 ? x + 0.5 : x - 0.5;
  std::int32_t r = static_cast<std::int32_t>(t);  // toward zero
  if ((r & 1) != 0 && static_cast<double>(r) == t) r += x >= 0.0 ? -1 : 1;
  return r;
}

inline std::int32_t RoundHalfAwayFromZero(double x) {
  return static_cast<std::int32_t>(x >= 0.0 ? x + 0.5 : x - 0.5);
}

// Samples at any byte address: rows whose step is not a whole number of samples stay well
// defined.
template <typename T>
T Load(const std::byte* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(std::byte* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

inline std::int16_t SaturateS16(std::int32_t v) {
  return static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

// Float to 16-bit: saturation first, then the rounding rule; not-a-number gives 0.
inline std::int16_t SaturateRoundToS16(float x, RoundMode mode) {
  if (x >= 32767.0f) return 32767;
  if (x <= -32768.0f) return -32768;
  if (x != x) return 0;
  const double d = x;
  switch (mode) {
    case RoundTowardZero:
      return static_cast<std::int16_t>(static_cast<std::int32_t>(d));
    case RoundNearestEven:
      return static_cast<std::int16_t>(RoundHalfToEven(d));
    default:
      return static_cast<std::int16_t>(RoundHalfAwayFromZero(d));
  }
}

}  // namespace
}  // namespace tessaro
