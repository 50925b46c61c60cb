// Sixteen interleaved three-channel pixels as three channel vectors and back, and the
// colour matrix on channel vectors, for the AVX2 frame kernels. Internal linkage and for AVX2
// files only.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace tessaro {
namespace {
namespace avx2_pixels {

constexpr std::int32_t kPixels = 16;
constexpr std::int32_t kBytes = 6 * kPixels;

// The three 16-byte parts of pixels 0-7 in the low lanes and of pixels 8-15 in the high lanes:
// each lane then holds samples s0..s23 of its eight pixels as parts a (s0-7), b (s8-15) and
// c (s16-23), and every shuffle works within lanes.
struct Parts {
  __m256i a, b, c;
};

// Sixteen pixels, channel by channel: lane 0 holds pixels 0-7, lane 1 pixels 8-15.
struct Channels {
  __m256i v[3];
};

inline Parts LoadParts(const unsigned char* p) {
  const auto* q = reinterpret_cast<const __m128i*>(p);
  return {_mm256_loadu2_m128i(q + 3, q + 0), _mm256_loadu2_m128i(q + 4, q + 1),
          _mm256_loadu2_m128i(q + 5, q + 2)};
}

inline void StoreParts(const Parts& parts, unsigned char* p) {
  auto* q = reinterpret_cast<__m128i*>(p);
  _mm256_storeu2_m128i(q + 3, q + 0, parts.a);
  _mm256_storeu2_m128i(q + 4, q + 1, parts.b);
  _mm256_storeu2_m128i(q + 5, q + 2, parts.c);
}

// Byte shuffle that moves the 16-bit samples of channel `channel` found in part `part` to
// their pixel's place (deinterleave), or the reverse (interleave); -1 bytes become zero.
struct ShuffleMask {
  signed char bytes[16];
};

constexpr ShuffleMask DeinterleaveMask(int channel, int part) {
  ShuffleMask m{};
  for (int pixel = 0; pixel < 8; ++pixel) {
    const int sample = 3 * pixel + channel;
    const bool here = sample / 8 == part;
    m.bytes[2 * pixel] = here ? static_cast<signed char>(2 * (sample % 8)) : -1;
    m.bytes[2 * pixel + 1] = here ? static_cast<signed char>(2 * (sample % 8) + 1) : -1;
  }
  return m;
}

constexpr ShuffleMask InterleaveMask(int channel, int part) {
  ShuffleMask m{};
  for (int i = 0; i < 8; ++i) {
    const int sample = 8 * part + i;
    const bool here = sample % 3 == channel;
    m.bytes[2 * i] = here ? static_cast<signed char>(2 * (sample / 3)) : -1;
    m.bytes[2 * i + 1] = here ? static_cast<signed char>(2 * (sample / 3) + 1) : -1;
  }
  return m;
}

inline __m256i Broadcast(const ShuffleMask& m) {
  __m128i v;
  std::memcpy(&v, m.bytes, 16);
  return _mm256_broadcastsi128_si256(v);
}

// The nine masks of one direction, [channel][part].
struct Masks {
  __m256i m[3][3];
};

inline Masks MakeMasks(bool interleave) {
  Masks masks;
  for (int c = 0; c < 3; ++c) {
    for (int p = 0; p < 3; ++p) {
      masks.m[c][p] = Broadcast(interleave ? InterleaveMask(c, p) : DeinterleaveMask(c, p));
    }
  }
  return masks;
}

inline Channels Deinterleave(const Masks& d, const Parts& parts) {
  Channels ch;
  for (int c = 0; c < 3; ++c) {
    ch.v[c] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(parts.a, d.m[c][0]),
                                              _mm256_shuffle_epi8(parts.b, d.m[c][1])),
                              _mm256_shuffle_epi8(parts.c, d.m[c][2]));
  }
  return ch;
}

inline Parts Interleave(const Masks& i, const Channels& ch) {
  __m256i part[3];
  for (int p = 0; p < 3; ++p) {
    part[p] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(ch.v[0], i.m[0][p]),
                                              _mm256_shuffle_epi8(ch.v[1], i.m[1][p])),
                              _mm256_shuffle_epi8(ch.v[2], i.m[2][p]));
  }
  return {part[0], part[1], part[2]};
}

// A channel vector as two vectors of 32-bit samples: pixels 0-3 and 8-11, then 4-7 and
// 12-15. Packs of the two (with signed saturation) restore the channel vector.
struct Wide {
  __m256i lo, hi;
};

inline Wide Widen(__m256i v) {
  return {_mm256_srai_epi32(_mm256_unpacklo_epi16(v, v), 16),
          _mm256_srai_epi32(_mm256_unpackhi_epi16(v, v), 16)};
}

inline __m256i Narrow(const Wide& w) {
  return _mm256_packs_epi32(w.lo, w.hi);
}

// A 3 x 4 matrix as broadcast weights. A lean matrix has no offsets and weights small enough
// that no sum of 16-bit samples leaves the 32-bit range: its sums need neither the offset nor
// the clamp, since rounding to 32 bits and saturating to 16 afterwards gives the same samples.
struct Matrix {
  __m256 w[3][4];
  bool lean;
};

inline Matrix LoadMatrix(const float* matrix) {
  Matrix m;
  m.lean = true;
  for (int c = 0; c < 3; ++c) {
    for (int k = 0; k < 4; ++k) {
      const float v = matrix[4 * c + k];
      m.w[c][k] = _mm256_set1_ps(v);
      m.lean = m.lean && (k == 3 ? v == 0.0f : (v > -16384.0f && v < 16384.0f));
    }
  }
  return m;
}

// Output channel c of eight pixels: (offset + w0 s0) + (w1 s1 + w2 s2), clamped to the 16-bit
// range and rounded by the rounding control, as the colour-matrix primitive computes it; lean,
// the same 16-bit samples once saturated.
template <bool kLean>
inline __m256i Apply(const Matrix& m, int c, __m256 s0, __m256 s1, __m256 s2) {
  const __m256 pair = _mm256_add_ps(_mm256_mul_ps(m.w[c][1], s1), _mm256_mul_ps(m.w[c][2], s2));
  if (kLean) return _mm256_cvtps_epi32(_mm256_add_ps(_mm256_mul_ps(m.w[c][0], s0), pair));
  const __m256 sum = _mm256_add_ps(_mm256_add_ps(m.w[c][3], _mm256_mul_ps(m.w[c][0], s0)), pair);
  const __m256 clamped =
      _mm256_max_ps(_mm256_min_ps(sum, _mm256_set1_ps(32767.0f)), _mm256_set1_ps(-32768.0f));
  return _mm256_cvtps_epi32(clamped);
}

// Three channels of 32-bit samples through the matrix; lean, the results may lie outside the
// 16-bit range until they are saturated.
template <bool kLean>
inline void Transform(const Matrix& m, const Wide in[3], Wide out[3]) {
  const __m256 lo[3] = {_mm256_cvtepi32_ps(in[0].lo), _mm256_cvtepi32_ps(in[1].lo),
                        _mm256_cvtepi32_ps(in[2].lo)};
  const __m256 hi[3] = {_mm256_cvtepi32_ps(in[0].hi), _mm256_cvtepi32_ps(in[1].hi),
                        _mm256_cvtepi32_ps(in[2].hi)};
  for (int c = 0; c < 3; ++c) {
    out[c].lo = Apply<kLean>(m, c, lo[0], lo[1], lo[2]);
    out[c].hi = Apply<kLean>(m, c, hi[0], hi[1], hi[2]);
  }
}

// Up to sixteen pixels from p into a zeroed block, and back.
inline void LoadTail(const unsigned char* p, std::int32_t pixels, unsigned char block[kBytes]) {
  std::memset(block, 0, kBytes);
  std::memcpy(block, p, 6 * static_cast<std::size_t>(pixels));
}

}  // namespace avx2_pixels
}  // namespace
}  // namespace tessaro
