// The single-precision power of the level stage, the same bits on every target. The standard
// libraries' powf are not: glibc's and mingw-w64's disagree on about 7 in 10,000 of the values
// a level table takes (glibc's errs by up to 0.82 units in the last place), and mingw-w64's,
// on the x87's logarithm and exponential, is ten times slower.
#pragma once

#include <cstdint>

namespace tessaro::pipeline {

// Each of count values x raised to y in place, for x >= 0 (-0 and +inf included) and any y, as
// IEEE 754 pow defines it there; not-a-number for x < 0. Formed in double precision, within
// 2^-44 of the exact power where that lies in single range (2^-47 while |y ln x| < 20), then
// rounded once: the correctly rounded power, but where the exact one lies that close to
// half-way between two floats. A row at a time, so that the 32-bit target passes no arguments
// through the stack for each value.
void PowerRow(float* values, std::int32_t count, float y);

}  // namespace tessaro::pipeline
