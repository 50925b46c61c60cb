// YUV codes and the filters' samples. A code c becomes the sample (c - zero) * 4096 / perSample
// rounded to the nearest integer, and a sample s (or the mean of n samples, for chroma shared
// by n pixels) the code zero + s * perSample / 4096, rounded and clamped to 0..maxCode. Limited
// range puts Y 16..235 and chroma 16..240 (scaled by 2^(depth - 8)) on 0..4096 and -2048..2048;
// full range spans every code. Integer arithmetic throughout: exactly the nearest values (no
// code lies half-way between two samples, and the way back is dyadic), on every target.
#pragma once

#include <cstdint>

namespace tessaro::pipeline {

class FrameMemory;

struct CodeScale {
  std::int32_t zero;       // the code of sample 0
  std::int32_t perSample;  // codes per 4096 samples
  std::int32_t maxCode;
};

CodeScale LumaCodes(std::int32_t bitDepth, bool fullRange);
CodeScale ChromaCodes(std::int32_t bitDepth, bool fullRange);

// Any stored code 0..65535 (a malformed stream may hold codes above maxCode); saturated to
// 16 bits.
std::int16_t CodeToSample(std::int32_t code, const CodeScale& scale);

// The code of sum / n, n = 1, 2 or 4 (the pixels a chroma sample covers).
std::int32_t SamplesToCode(std::int64_t sum, std::int32_t n, const CodeScale& scale);
inline std::int32_t SampleToCode(std::int32_t sample, const CodeScale& scale) {
  return SamplesToCode(sample, 1, scale);
}

// CodeToSample of every code 0..maxCode, and of any code above that through the formula.
class CodeSamples {
 public:
  CodeSamples() = default;
  ~CodeSamples();
  CodeSamples(const CodeSamples&) = delete;
  CodeSamples& operator=(const CodeSamples&) = delete;

  // False when memory is short. With frame memory the table lives there until the next frame.
  bool Build(const CodeScale& scale, FrameMemory* memory = nullptr);
  std::int16_t operator()(std::uint32_t code) const {
    return code <= static_cast<std::uint32_t>(scale_.maxCode)
               ? values_[code]
               : CodeToSample(static_cast<std::int32_t>(code), scale_);
  }
  const std::int16_t* values() const { return values_; }
  const CodeScale& scale() const { return scale_; }

 private:
  std::int16_t* values_ = nullptr;
  bool kept_ = false;  // in frame memory
  CodeScale scale_{};
};

}  // namespace tessaro::pipeline
