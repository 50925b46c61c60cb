// The channel form of a step (frame_pixels_ssse3.h) with the colour matrix in 256-bit floats,
// for the AVX level: a channel's eight pixels are one vector of floats, so each product, sum,
// rounding and clamp of the matrix is one instruction where 128-bit vectors need two. AVX has
// no 256-bit integer instructions: the samples are split, widened and joined as SSE4.1 does it
// (frame_pixels_sse41.h), with VEX encodings, and the two halves meet only as floats. Internal
// linkage; AVX files only.
#pragma once

#include <immintrin.h>

#include "pipeline/frame_pixels_sse41.h"

namespace tessaro {
namespace {
namespace sse_pixels {

// (offset + w0 s0) + (w1 s1 + w2 s2) as MatrixSum, eight lanes at a time.
template <bool kLean>
TESSARO_STEP __m256 WideSum(__m256 w0, __m256 w1, __m256 w2, __m256 offset, __m256 s0, __m256 s1,
                            __m256 s2) {
  const __m256 pair = _mm256_add_ps(_mm256_mul_ps(w1, s1), _mm256_mul_ps(w2, s2));
  if (kLean) return _mm256_add_ps(_mm256_mul_ps(w0, s0), pair);
  const __m256 sum = _mm256_add_ps(_mm256_add_ps(offset, _mm256_mul_ps(w0, s0)), pair);
  return _mm256_max_ps(_mm256_min_ps(sum, _mm256_set1_ps(32767.0f)), _mm256_set1_ps(-32768.0f));
}

// Two halves of 32-bit samples (pixels 0-3, 4-7) as one vector of floats; lean, the samples lie
// in the upper halves of the lanes, for weights times 2^-16.
template <bool kLean>
TESSARO_STEP __m256 Floats(__m128i lo, __m128i hi) {
  if (!kLean) {
    lo = _mm_srai_epi32(lo, 16);
    hi = _mm_srai_epi32(hi, 16);
  }
  return _mm256_cvtepi32_ps(_mm256_set_m128i(hi, lo));
}

struct WideChannels {
  static constexpr bool kRoundsFloats = true;
  static constexpr int ChannelOf(int k, int /*l*/) { return k; }
  static constexpr int Slot(int c, int p) { return 8 * c + p; }

  // Broadcast weights: times 2^-16 for a lean matrix that takes 16-bit samples.
  struct Matrix {
    __m256 w[3][4];
    bool lean;
  };

  static Matrix LoadMatrix(const float* matrix, bool fromSamples = true) {
    const Weights w = ReadWeights(matrix);
    const float scale = w.lean && fromSamples ? kWideScale : 1.0f;
    Matrix m;
    m.lean = w.lean;
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < 4; ++k) {
        m.w[c][k] = _mm256_set1_ps(w.m[4 * c + k] * (k < 3 ? scale : 1.0f));
      }
    }
    return m;
  }

  template <bool kLean>
  TESSARO_STEP static __m256 SumOf(const Matrix& m, int c, const __m256 in[3]) {
    const __m256* w = m.w[c];
    return WideSum<kLean>(w[0], w[1], w[2], w[3], in[0], in[1], in[2]);
  }

  // The three channels through the matrix, rounded by the rounding control and saturated to
  // 16 bits.
  template <bool kLean>
  TESSARO_STEP static Samples Apply(const Matrix& m, const __m256 in[3]) {
    Samples out;
    for (int c = 0; c < 3; ++c) {
      const __m256i r = _mm256_cvtps_epi32(SumOf<kLean>(m, c, in));
      out.v[c] = _mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extractf128_si256(r, 1));
    }
    return out;
  }

  template <bool kLean>
  TESSARO_STEP static void Widen(const Samples& parts, __m256 in[3]) {
    __m128i wide[3][2];
    WordBlends::Widen(parts, wide);
    for (int c = 0; c < 3; ++c) in[c] = Floats<kLean>(wide[c][0], wide[c][1]);
  }

  template <bool kLean>
  TESSARO_STEP static Samples Transform(const Matrix& m, const Samples& s) {
    const __m128i zero = _mm_setzero_si128();
    __m256 in[3];
    for (int c = 0; c < 3; ++c) {
      in[c] = Floats<kLean>(_mm_unpacklo_epi16(zero, s.v[c]), _mm_unpackhi_epi16(zero, s.v[c]));
    }
    return Apply<kLean>(m, in);
  }

  template <Convert kConvert>
  TESSARO_STEP static Samples Read(const Matrix& m, const unsigned char* p) {
    const Samples parts = LoadVectors(p);
    if constexpr (kConvert == Convert::kNone) {
      return WordBlends::Split(parts);
    } else {
      constexpr bool kLean = kConvert == Convert::kLean;
      __m256 in[3];
      Widen<kLean>(parts, in);
      return Apply<kLean>(m, in);
    }
  }

  TESSARO_STEP static void Write(const Samples& ch, unsigned char* p) {
    StoreVectors(WordBlends::Join(ch), p);
  }

  TESSARO_STEP static __m128i Sum(const Samples& s, int k) {
    return _mm_madd_epi16(s.v[k], _mm_set1_epi16(1));
  }
  static constexpr int SumChannel(int k, int /*j*/) { return k; }

  // As ChannelForm's, eight lanes at a time.
  struct Relayed {
    Matrix second;
    __m256 lo[3], hi[3];
  };

  static Relayed PrepareRelay(const float* second, const std::int16_t lo[3],
                              const std::int16_t hi[3]) {
    Relayed r;
    r.second = LoadMatrix(second, false);
    for (int c = 0; c < 3; ++c) {
      r.lo[c] = _mm256_set1_ps(lo[c]);
      r.hi[c] = _mm256_set1_ps(hi[c]);
    }
    return r;
  }

  template <Convert kIn, bool kLean>
  TESSARO_STEP static Samples Relay(const Matrix& first, const Relayed& r, const unsigned char* p) {
    constexpr bool kInLean = kIn == Convert::kLean;
    __m256 in[3], mid[3];
    Widen<kInLean>(LoadVectors(p), in);
    for (int c = 0; c < 3; ++c) {
      const __m256 whole = _mm256_round_ps(SumOf<kInLean>(first, c, in),
                                           _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
      mid[c] = _mm256_max_ps(_mm256_min_ps(whole, r.hi[c]), r.lo[c]);
    }
    return Apply<kLean>(r.second, mid);
  }
};

}  // namespace sse_pixels
}  // namespace
}  // namespace tessaro
