#include "pipeline/yuv_codes.h"

#include <initializer_list>

#include "pipeline/frame_memory.h"
#include "primitives/aligned_memory.h"

namespace tessaro::pipeline {
namespace {

constexpr std::int64_t kSampleUnits = 4096;

std::int16_t Saturated(std::int64_t v) {
  return static_cast<std::int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

// The nearest integer to numerator / perSample: floor((2 n + K) / 2K) for n >= 0, mirrored
// below zero (halves never occur).
std::int64_t NearestQuotient(std::int64_t numerator, std::int64_t perSample) {
  const std::int64_t twice = 2 * perSample;
  return numerator >= 0 ? (2 * numerator + perSample) / twice
                        : -((-2 * numerator + perSample) / twice);
}

}  // namespace

CodeScale LumaCodes(std::int32_t bitDepth, bool fullRange) {
  const std::int32_t maxCode = (1 << bitDepth) - 1;
  if (fullRange) return {0, maxCode, maxCode};
  const std::int32_t s = 1 << (bitDepth - 8);
  return {16 * s, 219 * s, maxCode};
}

CodeScale ChromaCodes(std::int32_t bitDepth, bool fullRange) {
  const std::int32_t maxCode = (1 << bitDepth) - 1;
  if (fullRange) return {1 << (bitDepth - 1), maxCode, maxCode};
  const std::int32_t s = 1 << (bitDepth - 8);
  return {128 * s, 224 * s, maxCode};
}

std::int16_t CodeToSample(std::int32_t code, const CodeScale& scale) {
  return Saturated(
      NearestQuotient((std::int64_t{code} - scale.zero) * kSampleUnits, scale.perSample));
}

std::int32_t SamplesToCode(std::int64_t sum, std::int32_t n, const CodeScale& scale) {
  // zero + sum * K / (4096 n), rounded half up: where that differs from halves away from zero
  // the value is negative and clamps to 0 either way. n is a power of two, so the division is
  // a shift.
  const std::int32_t shift = 12 + (n == 4 ? 2 : (n == 2 ? 1 : 0));
  const std::int64_t scaled = std::int64_t{scale.zero} * kSampleUnits * n + sum * scale.perSample;
  const std::int64_t code = (scaled + (std::int64_t{1} << (shift - 1))) >> shift;
  return static_cast<std::int32_t>(code < 0 ? 0 : (code > scale.maxCode ? scale.maxCode : code));
}

CodeSamples::~CodeSamples() {
  if (!kept_) FreeAligned(values_);
}

bool CodeSamples::Build(const CodeScale& scale, FrameMemory* memory) {
  if (!kept_) FreeAligned(values_);
  const std::int64_t bytes = 2 * (std::int64_t{scale.maxCode} + 1);
  kept_ = memory != nullptr;
  values_ = static_cast<std::int16_t*>(kept_ ? memory->Take(bytes) : AllocFrameBytes(bytes));
  scale_ = scale;
  if (values_ == nullptr) return false;
  // Stepping the numerator instead of dividing for every code: from the zero code upwards
  // and downwards, the quotient of (2 n + K) by 2K kept with its remainder.
  const std::int64_t twice = 2 * std::int64_t{scale.perSample};
  const std::int64_t step = 2 * kSampleUnits;
  for (const int direction : {+1, -1}) {
    std::int64_t q = 0, r = scale.perSample;  // n = 0
    for (std::int64_t c = scale.zero; c >= 0 && c <= scale.maxCode; c += direction) {
      values_[c] = Saturated(direction * q);
      r += step;
      while (r >= twice) {
        r -= twice;
        ++q;
      }
    }
  }
  return true;
}

}  // namespace tessaro::pipeline
