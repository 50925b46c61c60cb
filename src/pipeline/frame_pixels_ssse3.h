// The channel form of a step of eight pixels (frame_pixels_sse.h), for the SSSE3 level and
// above: vector c holds channel c of pixels 0-7, split from memory and joined again with byte
// shuffles. The colour matrix then needs no shuffles of its own and broadcast weights, and
// the shuffle that splits the samples also widens them to 32 bits for it. Internal linkage;
// for files of the SSSE3 level and above.
#pragma once

#include <tmmintrin.h>

#include <cstdint>

#include "pipeline/frame_pixels_sse.h"

namespace tessaro {
namespace {
namespace sse_pixels {

// A byte shuffle, -1 bytes becoming zero.
struct ByteShuffle {
  alignas(16) signed char bytes[16];
};

// The samples of channel c found in part `part` of the step (samples 8 part to 8 part + 7),
// moved to their pixel's lane.
constexpr ByteShuffle SplitShuffle(int c, int part) {
  ByteShuffle m{};
  for (int pixel = 0; pixel < 8; ++pixel) {
    const int sample = 3 * pixel + c;
    const bool here = sample / 8 == part;
    m.bytes[2 * pixel] = here ? static_cast<signed char>(2 * (sample % 8)) : -1;
    m.bytes[2 * pixel + 1] = here ? static_cast<signed char>(2 * (sample % 8) + 1) : -1;
  }
  return m;
}

// As SplitShuffle for pixels 4 half to 4 half + 3, each sample into the upper half of the
// pixel's 32-bit lane, zeros below it.
constexpr ByteShuffle WidenShuffle(int c, int half, int part) {
  ByteShuffle m{};
  for (int lane = 0; lane < 4; ++lane) {
    const int sample = 3 * (4 * half + lane) + c;
    const bool here = sample / 8 == part;
    m.bytes[4 * lane] = m.bytes[4 * lane + 1] = -1;
    m.bytes[4 * lane + 2] = here ? static_cast<signed char>(2 * (sample % 8)) : -1;
    m.bytes[4 * lane + 3] = here ? static_cast<signed char>(2 * (sample % 8) + 1) : -1;
  }
  return m;
}

// The samples of channel c that belong in part `part` of the step, moved there from their
// pixel's lane.
constexpr ByteShuffle JoinShuffle(int c, int part) {
  ByteShuffle m{};
  for (int i = 0; i < 8; ++i) {
    const int sample = 8 * part + i;
    const bool here = sample % 3 == c;
    m.bytes[2 * i] = here ? static_cast<signed char>(2 * (sample / 3)) : -1;
    m.bytes[2 * i + 1] = here ? static_cast<signed char>(2 * (sample / 3) + 1) : -1;
  }
  return m;
}

struct ChannelShuffles {
  ByteShuffle split[3][3];     // [channel][part]
  ByteShuffle widen[3][2][2];  // [channel][half][first or second part of the half]
  ByteShuffle join[3][3];      // [channel][part]
};

// The parts a half of a channel's pixels comes from: pixels 0-3 lie in parts 0 and 1, pixels
// 4-7 in parts 1 and 2.
constexpr int WidenPart(int half, int which) {
  return half + which;
}

constexpr ChannelShuffles MakeChannelShuffles() {
  ChannelShuffles s{};
  for (int c = 0; c < 3; ++c) {
    for (int p = 0; p < 3; ++p) {
      s.split[c][p] = SplitShuffle(c, p);
      s.join[c][p] = JoinShuffle(c, p);
    }
    for (int h = 0; h < 2; ++h) {
      for (int w = 0; w < 2; ++w) s.widen[c][h][w] = WidenShuffle(c, h, WidenPart(h, w));
    }
  }
  return s;
}

constexpr ChannelShuffles kChannelShuffles = MakeChannelShuffles();

inline __m128i Shuffle(__m128i v, const ByteShuffle& m) {
  return _mm_shuffle_epi8(v, _mm_load_si128(reinterpret_cast<const __m128i*>(m.bytes)));
}

struct Channels {
  static constexpr int ChannelOf(int k, int /*l*/) { return k; }
  static constexpr int Slot(int c, int p) { return 8 * c + p; }

  // Broadcast weights: times 2^-16 for a lean matrix.
  struct Matrix {
    __m128 w[3][4];
    bool lean;
  };

  static Matrix LoadMatrix(const float* matrix) {
    const Weights w = ReadWeights(matrix);
    Matrix m;
    m.lean = w.lean;
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < 4; ++k) {
        m.w[c][k] = _mm_set1_ps(w.m[4 * c + k] * (k < 3 && w.lean ? kWideScale : 1.0f));
      }
    }
    return m;
  }

  // Three channels of four pixels as floats (times 2^16 when lean) into output channel c.
  template <bool kLean>
  static __m128i Apply(const Matrix& m, int c, const __m128 s[3]) {
    return Output<kLean>(m.w[c][0], m.w[c][1], m.w[c][2], m.w[c][3], s[0], s[1], s[2]);
  }

  // in[channel][half] through the matrix, saturated to 16 bits.
  template <bool kLean>
  static Samples Apply(const Matrix& m, const __m128 in[3][2]) {
    Samples out;
    for (int c = 0; c < 3; ++c) {
      const __m128 lo[3] = {in[0][0], in[1][0], in[2][0]};
      const __m128 hi[3] = {in[0][1], in[1][1], in[2][1]};
      out.v[c] = _mm_packs_epi32(Apply<kLean>(m, c, lo), Apply<kLean>(m, c, hi));
    }
    return out;
  }

  template <bool kLean>
  static Samples Transform(const Matrix& m, const Samples& s) {
    __m128 in[3][2];
    for (int c = 0; c < 3; ++c) {
      in[c][0] = LowHalf<kLean>(s.v[c]);
      in[c][1] = HighHalf<kLean>(s.v[c]);
    }
    return Apply<kLean>(m, in);
  }

  template <Convert kConvert>
  static Samples Read(const Matrix& m, const unsigned char* p) {
    const Samples parts = LoadVectors(p);
    const ChannelShuffles& s = kChannelShuffles;
    if constexpr (kConvert == Convert::kNone) {
      Samples ch;
      for (int c = 0; c < 3; ++c) {
        ch.v[c] = _mm_or_si128(
            _mm_or_si128(Shuffle(parts.v[0], s.split[c][0]), Shuffle(parts.v[1], s.split[c][1])),
            Shuffle(parts.v[2], s.split[c][2]));
      }
      return ch;
    } else {
      constexpr bool kLean = kConvert == Convert::kLean;
      __m128 in[3][2];
      for (int c = 0; c < 3; ++c) {
        for (int h = 0; h < 2; ++h) {
          __m128i wide = _mm_or_si128(Shuffle(parts.v[WidenPart(h, 0)], s.widen[c][h][0]),
                                      Shuffle(parts.v[WidenPart(h, 1)], s.widen[c][h][1]));
          if (!kLean) wide = _mm_srai_epi32(wide, 16);
          in[c][h] = _mm_cvtepi32_ps(wide);
        }
      }
      return Apply<kLean>(m, in);
    }
  }

  static void Write(const Samples& ch, unsigned char* p) {
    const ChannelShuffles& s = kChannelShuffles;
    Samples parts;
    for (int k = 0; k < 3; ++k) {
      parts.v[k] =
          _mm_or_si128(_mm_or_si128(Shuffle(ch.v[0], s.join[0][k]), Shuffle(ch.v[1], s.join[1][k])),
                       Shuffle(ch.v[2], s.join[2][k]));
    }
    StoreVectors(parts, p);
  }

  static __m128i Sum(const Samples& s, int k) { return _mm_madd_epi16(s.v[k], _mm_set1_epi16(1)); }
  static constexpr int SumChannel(int k, int /*j*/) { return k; }
};

}  // namespace sse_pixels
}  // namespace
}  // namespace tessaro
