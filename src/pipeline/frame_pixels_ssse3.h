// The channel form of a step of eight pixels (frame_pixels_sse.h), for the SSSE3 level and
// above: vector c holds channel c of pixels 0-7. The colour matrix then needs no shuffles of
// its own and takes broadcast weights, and the shuffles that split the samples from memory
// also widen them to 32 bits for it. How a level splits and joins them is its own
// (ByteShuffles here: byte shuffles alone). Internal linkage; for files of the SSSE3 level
// and above.
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

TESSARO_STEP __m128i Shuffle(__m128i v, const ByteShuffle& m) {
  return _mm_shuffle_epi8(v, _mm_load_si128(reinterpret_cast<const __m128i*>(m.bytes)));
}

// Sample `sample` of a step as the lanes of a byte shuffle take it: 16-bit lane `lane`, or
// the upper half of 32-bit lane `lane` (zeros below), from a vector whose lane `from` holds
// it; `here` false leaves the lane zero.
constexpr void Take(ByteShuffle& m, int lane, bool wide, bool here, int from) {
  const int at = wide ? 4 * lane + 2 : 2 * lane;
  if (wide) m.bytes[4 * lane] = m.bytes[4 * lane + 1] = -1;
  m.bytes[at] = here ? static_cast<signed char>(2 * from) : -1;
  m.bytes[at + 1] = here ? static_cast<signed char>(2 * from + 1) : -1;
}

// The samples of channel c found in part `part` of the step (samples 8 part to 8 part + 7),
// moved to their pixel's lane.
constexpr ByteShuffle SplitShuffle(int c, int part) {
  ByteShuffle m{};
  for (int pixel = 0; pixel < 8; ++pixel) {
    const int sample = 3 * pixel + c;
    Take(m, pixel, false, sample / 8 == part, sample % 8);
  }
  return m;
}

// As SplitShuffle for pixels 4 half to 4 half + 3, into 32-bit lanes.
constexpr ByteShuffle WidenShuffle(int c, int half, int part) {
  ByteShuffle m{};
  for (int lane = 0; lane < 4; ++lane) {
    const int sample = 3 * (4 * half + lane) + c;
    Take(m, lane, true, sample / 8 == part, sample % 8);
  }
  return m;
}

// The samples of channel c that belong in part `part` of the step, moved there from their
// pixel's lane.
constexpr ByteShuffle JoinShuffle(int c, int part) {
  ByteShuffle m{};
  for (int i = 0; i < 8; ++i) {
    const int sample = 8 * part + i;
    Take(m, i, false, sample % 3 == c, sample / 3);
  }
  return m;
}

// The parts a half of a channel's pixels comes from: pixels 0-3 lie in parts 0 and 1, pixels
// 4-7 in parts 1 and 2.
constexpr int WidenPart(int half, int which) {
  return half + which;
}

struct ChannelShuffles {
  ByteShuffle split[3][3];     // [channel][part]
  ByteShuffle widen[3][2][2];  // [channel][half][first or second part of the half]
  ByteShuffle join[3][3];      // [channel][part]
};

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

// Splits and joins with byte shuffles only: each channel's samples picked from the three parts
// of a step (or its half from two) and combined.
struct ByteShuffles {
  static constexpr bool kRoundsFloats = false;

  TESSARO_STEP static Samples Split(const Samples& parts) {
    const ChannelShuffles& s = kChannelShuffles;
    Samples ch;
    for (int c = 0; c < 3; ++c) {
      ch.v[c] = _mm_or_si128(
          _mm_or_si128(Shuffle(parts.v[0], s.split[c][0]), Shuffle(parts.v[1], s.split[c][1])),
          Shuffle(parts.v[2], s.split[c][2]));
    }
    return ch;
  }

  // wide[c][h]: channel c of pixels 4h to 4h + 3 in the upper halves of 32-bit lanes.
  TESSARO_STEP static void Widen(const Samples& parts, __m128i wide[3][2]) {
    const ChannelShuffles& s = kChannelShuffles;
    for (int c = 0; c < 3; ++c) {
      for (int h = 0; h < 2; ++h) {
        wide[c][h] = _mm_or_si128(Shuffle(parts.v[WidenPart(h, 0)], s.widen[c][h][0]),
                                  Shuffle(parts.v[WidenPart(h, 1)], s.widen[c][h][1]));
      }
    }
  }

  TESSARO_STEP static Samples Join(const Samples& ch) {
    const ChannelShuffles& s = kChannelShuffles;
    Samples parts;
    for (int k = 0; k < 3; ++k) {
      parts.v[k] =
          _mm_or_si128(_mm_or_si128(Shuffle(ch.v[0], s.join[0][k]), Shuffle(ch.v[1], s.join[1][k])),
                       Shuffle(ch.v[2], s.join[2][k]));
    }
    return parts;
  }
};

template <class Level>
struct ChannelForm {
  // Whether the level can take samples from one matrix to the next in floats.
  static constexpr bool kRoundsFloats = Level::kRoundsFloats;
  static constexpr int ChannelOf(int k, int /*l*/) { return k; }
  static constexpr int Slot(int c, int p) { return 8 * c + p; }

  // Broadcast weights: times 2^-16 for a lean matrix that takes 16-bit samples, as they are
  // for one that takes floats.
  struct Matrix {
    __m128 w[3][4];
    bool lean;
  };

  static Matrix LoadMatrix(const float* matrix, bool fromSamples = true) {
    const Weights w = ReadWeights(matrix);
    const float scale = w.lean && fromSamples ? kWideScale : 1.0f;
    Matrix m;
    m.lean = w.lean;
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < 4; ++k) m.w[c][k] = _mm_set1_ps(w.m[4 * c + k] * (k < 3 ? scale : 1.0f));
    }
    return m;
  }

  // in[channel][half] through the matrix, saturated to 16 bits.
  template <bool kLean>
  TESSARO_STEP static Samples Apply(const Matrix& m, const __m128 in[3][2]) {
    Samples out;
    for (int c = 0; c < 3; ++c) {
      const __m128* w = m.w[c];
      out.v[c] =
          _mm_packs_epi32(Output<kLean>(w[0], w[1], w[2], w[3], in[0][0], in[1][0], in[2][0]),
                          Output<kLean>(w[0], w[1], w[2], w[3], in[0][1], in[1][1], in[2][1]));
    }
    return out;
  }

  template <bool kLean>
  TESSARO_STEP static Samples Transform(const Matrix& m, const Samples& s) {
    __m128 in[3][2];
    for (int c = 0; c < 3; ++c) {
      in[c][0] = LowHalf<kLean>(s.v[c]);
      in[c][1] = HighHalf<kLean>(s.v[c]);
    }
    return Apply<kLean>(m, in);
  }

  // A step's samples split into channels and halves as floats, times 2^16 when lean.
  template <bool kLean>
  TESSARO_STEP static void Widen(const Samples& parts, __m128 in[3][2]) {
    __m128i wide[3][2];
    Level::Widen(parts, wide);
    for (int c = 0; c < 3; ++c) {
      for (int h = 0; h < 2; ++h) {
        in[c][h] = _mm_cvtepi32_ps(kLean ? wide[c][h] : _mm_srai_epi32(wide[c][h], 16));
      }
    }
  }

  template <Convert kConvert>
  TESSARO_STEP static Samples Read(const Matrix& m, const unsigned char* p) {
    const Samples parts = LoadVectors(p);
    if constexpr (kConvert == Convert::kNone) {
      return Level::Split(parts);
    } else {
      constexpr bool kLean = kConvert == Convert::kLean;
      __m128 in[3][2];
      Widen<kLean>(parts, in);
      return Apply<kLean>(m, in);
    }
  }

  TESSARO_STEP static void Write(const Samples& ch, unsigned char* p) {
    StoreVectors(Level::Join(ch), p);
  }

  TESSARO_STEP static __m128i Sum(const Samples& s, int k) {
    return _mm_madd_epi16(s.v[k], _mm_set1_epi16(1));
  }
  static constexpr int SumChannel(int k, int /*j*/) { return k; }

  // What relaying floats from the first matrix to the second needs besides the first (for a
  // level that rounds floats): the second matrix as it takes plain floats, and the bounds of
  // each channel's clamp, which lie in the 16-bit range and so saturate too.
  struct Relayed {
    Matrix second;
    __m128 lo[3], hi[3];
  };

  static Relayed PrepareRelay(const float* second, const std::int16_t lo[3],
                              const std::int16_t hi[3]) {
    Relayed r;
    r.second = LoadMatrix(second, false);
    for (int c = 0; c < 3; ++c) {
      r.lo[c] = _mm_set1_ps(lo[c]);
      r.hi[c] = _mm_set1_ps(hi[c]);
    }
    return r;
  }

  // Eight pixels through the first matrix, rounded to whole numbers in floats and clamped, then
  // through the second: the samples of the 16-bit road without their conversions to 32 bits,
  // to 16 and back.
  template <Convert kIn, bool kLean>
  TESSARO_STEP static Samples Relay(const Matrix& first, const Relayed& r, const unsigned char* p) {
    constexpr bool kInLean = kIn == Convert::kLean;
    __m128 in[3][2], mid[3][2];
    Widen<kInLean>(LoadVectors(p), in);
    for (int c = 0; c < 3; ++c) {
      const __m128* w = first.w[c];
      for (int h = 0; h < 2; ++h) {
        const __m128 whole =
            Level::Round(MatrixSum<kInLean>(w[0], w[1], w[2], w[3], in[0][h], in[1][h], in[2][h]));
        mid[c][h] = _mm_max_ps(_mm_min_ps(whole, r.hi[c]), r.lo[c]);
      }
    }
    return Apply<kLean>(r.second, mid);
  }
};

using Channels = ChannelForm<ByteShuffles>;

}  // namespace sse_pixels
}  // namespace
}  // namespace tessaro
