// The channel form of a step (frame_pixels_ssse3.h) as the SSE4.1 level splits and joins it:
// the eight samples of one channel lie at eight different places of the three parts of a step
// (pixel p at place (3p + c) % 8), so word blends gather them into one vector in the order of
// their places, and one byte shuffle per channel puts them in pixel order; joining runs the
// other way. That is two blends and one shuffle per channel where byte shuffles alone need
// three shuffles and two ors, and the same for each half widened for the colour matrix.
// Floats round to whole numbers here too (roundps). Internal linkage; SSE4.1 files only.
#pragma once

#include <smmintrin.h>

#include "pipeline/frame_pixels_ssse3.h"

namespace tessaro {
namespace {
namespace sse_pixels {

// Where channel c of pixel p lies: its part of the step and its place in that part.
constexpr int PartOf(int c, int p) {
  return (3 * p + c) / 8;
}
constexpr int PlaceOf(int c, int p) {
  return (3 * p + c) % 8;
}

// Blend masks: the places of part `part` that hold channel c, and the same as taken from
// part `part` into the channel's gathered vector.
constexpr int ChannelPlaces(int c, int part) {
  int mask = 0;
  for (int l = 0; l < 8; ++l) mask |= (8 * part + l) % 3 == c ? 1 << l : 0;
  return mask;
}

// Byte shuffles between a channel's gathered vector (pixel p at PlaceOf(c, p)) and the
// channel in pixel order, 16 bits wide or as the upper halves of the 32-bit lanes of pixels
// 4 half to 4 half + 3.
constexpr ByteShuffle Unplace(int c) {
  ByteShuffle m{};
  for (int p = 0; p < 8; ++p) Take(m, p, false, true, PlaceOf(c, p));
  return m;
}
constexpr ByteShuffle UnplaceWide(int c, int half) {
  ByteShuffle m{};
  for (int q = 0; q < 4; ++q) Take(m, q, true, true, PlaceOf(c, 4 * half + q));
  return m;
}
constexpr ByteShuffle Place(int c) {
  ByteShuffle m{};
  for (int l = 0; l < 8; ++l) {
    int pixel = 0;
    for (int p = 0; p < 8; ++p) pixel = PlaceOf(c, p) == l ? p : pixel;
    Take(m, l, false, true, pixel);
  }
  return m;
}

struct BlendShuffles {
  ByteShuffle unplace[3], unplaceWide[3][2], place[3];
};

constexpr BlendShuffles MakeBlendShuffles() {
  BlendShuffles s{};
  for (int c = 0; c < 3; ++c) {
    s.unplace[c] = Unplace(c);
    s.place[c] = Place(c);
    for (int h = 0; h < 2; ++h) s.unplaceWide[c][h] = UnplaceWide(c, h);
  }
  return s;
}

constexpr BlendShuffles kBlendShuffles = MakeBlendShuffles();

// Channel C of a step's parts, pixel p at PlaceOf(C, p). The masks are named constants: a
// blend's mask must be an immediate, and an unoptimised build folds a constexpr call only
// where a constant is required.
template <int C>
TESSARO_STEP __m128i Gather(const Samples& parts) {
  constexpr int kFromPart1 = ChannelPlaces(C, 1), kFromPart2 = ChannelPlaces(C, 2);
  return _mm_blend_epi16(_mm_blend_epi16(parts.v[0], parts.v[1], kFromPart1), parts.v[2],
                         kFromPart2);
}

// Part K of a step from the three channels, each with pixel p at PlaceOf(c, p).
template <int K>
TESSARO_STEP __m128i Scatter(const __m128i placed[3]) {
  constexpr int kOfChannel1 = ChannelPlaces(1, K), kOfChannel2 = ChannelPlaces(2, K);
  return _mm_blend_epi16(_mm_blend_epi16(placed[0], placed[1], kOfChannel1), placed[2],
                         kOfChannel2);
}

struct WordBlends {
  static constexpr bool kRoundsFloats = true;

  TESSARO_STEP static Samples Split(const Samples& parts) {
    const BlendShuffles& s = kBlendShuffles;
    return {{Shuffle(Gather<0>(parts), s.unplace[0]), Shuffle(Gather<1>(parts), s.unplace[1]),
             Shuffle(Gather<2>(parts), s.unplace[2])}};
  }

  TESSARO_STEP static void Widen(const Samples& parts, __m128i wide[3][2]) {
    const BlendShuffles& s = kBlendShuffles;
    const __m128i gathered[3] = {Gather<0>(parts), Gather<1>(parts), Gather<2>(parts)};
    for (int c = 0; c < 3; ++c) {
      for (int h = 0; h < 2; ++h) wide[c][h] = Shuffle(gathered[c], s.unplaceWide[c][h]);
    }
  }

  TESSARO_STEP static Samples Join(const Samples& ch) {
    const BlendShuffles& s = kBlendShuffles;
    const __m128i placed[3] = {Shuffle(ch.v[0], s.place[0]), Shuffle(ch.v[1], s.place[1]),
                               Shuffle(ch.v[2], s.place[2])};
    return {{Scatter<0>(placed), Scatter<1>(placed), Scatter<2>(placed)}};
  }

  // To the nearest whole number, ties to even: what the conversion to 32 bits does under the
  // kernels' rounding control.
  TESSARO_STEP static __m128 Round(__m128 x) {
    return _mm_round_ps(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  }
};

using BlendChannels = ChannelForm<WordBlends>;

}  // namespace sse_pixels
}  // namespace
}  // namespace tessaro
