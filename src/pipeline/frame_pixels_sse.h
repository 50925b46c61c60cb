// Steps of eight interleaved three-channel pixels for the frame kernels of the SSE2 to AVX
// levels: what every form of a step shares (its three vectors, the walk over a region, the
// colour matrix's weights), and the interleaved form, which every level takes where there is
// no matrix and the SSE2 level for the matrix too. A form says which channel and pixel each
// lane of a step's three vectors of 16-bit samples holds; the kernels (frame_measure_sse.h,
// frame_map_sse.h) work lane by lane against per-lane constants and never need to know more.
// Internal linkage; SSE2 intrinsics only.
#pragma once

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "primitives/image_rows.h"

// The work of a step is written as small functions; inlined, its vectors stay in registers
// from one to the next instead of passing through memory.
#define TESSARO_STEP [[gnu::always_inline]] inline

namespace tessaro {
namespace {
namespace sse_pixels {

constexpr std::int32_t kPixels = 8;
constexpr std::int32_t kSamples = 3 * kPixels;
constexpr std::int32_t kBytes = 6 * kPixels;

// A step's samples, in the layout of its form.
struct Samples {
  __m128i v[3];
};

TESSARO_STEP Samples LoadVectors(const unsigned char* p) {
  const auto* q = reinterpret_cast<const __m128i*>(p);
  return {{_mm_loadu_si128(q), _mm_loadu_si128(q + 1), _mm_loadu_si128(q + 2)}};
}

TESSARO_STEP void StoreVectors(const Samples& s, unsigned char* p) {
  auto* q = reinterpret_cast<__m128i*>(p);
  _mm_storeu_si128(q, s.v[0]);
  _mm_storeu_si128(q + 1, s.v[1]);
  _mm_storeu_si128(q + 2, s.v[2]);
}

// How samples are taken: as they are, or through a full or a lean matrix.
enum class Convert { kNone, kFull, kLean };

// A compile-time choice passed as an argument.
template <auto V>
struct Constant {
  static constexpr auto value = V;
};

// The colour matrix's twelve floats and what the kernels may make of them. A lean matrix has
// no offsets and weights small enough that no sum of 16-bit samples leaves the 32-bit range:
// its sums need neither the offset nor the clamp, since rounding to 32 bits and saturating to
// 16 afterwards gives the same samples. Its weights are also zero or far from the subnormal
// range, so that they may be taken times 2^-16 exactly: a sample s in the upper half of a
// 32-bit lane is s times 2^16 as a float, and its product with the scaled weight is the very
// float w s, which spares the shift that widens s.
struct Weights {
  float m[12];
  bool lean;
};

inline Weights ReadWeights(const float* matrix) {
  Weights w;
  std::memcpy(w.m, matrix, sizeof w.m);
  w.lean = true;
  for (int c = 0; c < 3; ++c) {
    for (int k = 0; k < 4; ++k) {
      const float v = w.m[4 * c + k];
      const float size = v < 0.0f ? -v : v;
      w.lean =
          w.lean && (k == 3 ? v == 0.0f : size < 16384.0f && (size == 0.0f || size >= 0x1p-100f));
    }
  }
  return w;
}

// A weight as the lean sums take it.
constexpr float kWideScale = 0x1p-16f;

// (offset + w0 s0) + (w1 s1 + w2 s2), clamped to the 16-bit range, as the colour-matrix
// primitive computes it before it rounds; lean (scaled weights, samples times 2^16, no
// offset), not clamped.
template <bool kLean>
TESSARO_STEP __m128 MatrixSum(__m128 w0, __m128 w1, __m128 w2, __m128 offset, __m128 s0, __m128 s1,
                              __m128 s2) {
  const __m128 pair = _mm_add_ps(_mm_mul_ps(w1, s1), _mm_mul_ps(w2, s2));
  if (kLean) return _mm_add_ps(_mm_mul_ps(w0, s0), pair);
  const __m128 sum = _mm_add_ps(_mm_add_ps(offset, _mm_mul_ps(w0, s0)), pair);
  return _mm_max_ps(_mm_min_ps(sum, _mm_set1_ps(32767.0f)), _mm_set1_ps(-32768.0f));
}

// The sum rounded by the rounding control: lean, the same 16-bit samples once saturated.
template <bool kLean>
TESSARO_STEP __m128i Output(__m128 w0, __m128 w1, __m128 w2, __m128 offset, __m128 s0, __m128 s1,
                            __m128 s2) {
  return _mm_cvtps_epi32(MatrixSum<kLean>(w0, w1, w2, offset, s0, s1, s2));
}

// Samples 0-3 or 4-7 of a vector as floats: times 2^16 for lean sums, as they are otherwise.
template <bool kLean>
TESSARO_STEP __m128 LowHalf(__m128i v) {
  if (kLean) return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_setzero_si128(), v));
  return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16));
}
template <bool kLean>
TESSARO_STEP __m128 HighHalf(__m128i v) {
  if (kLean) return _mm_cvtepi32_ps(_mm_unpackhi_epi16(_mm_setzero_si128(), v));
  return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16));
}

// The interleaved form: the samples as they lie in memory, lane l of vector k being sample
// 8k + l, which needs no shuffles at all. The colour matrix follows the SSE2 primitive's
// shuffles, four pixels at a time.
struct Interleaved {
  static constexpr bool kRoundsFloats = false;
  static constexpr int ChannelOf(int k, int l) { return (8 * k + l) % 3; }
  // Where a step's vectors, stored one after another, hold channel c of pixel p.
  static constexpr int Slot(int c, int p) { return 3 * p + c; }

  // Output vector j of four pixels holds channel (4j + l) % 3 in lane l, so each weight
  // vector repeats a matrix column in that order.
  struct Matrix {
    __m128 w0[3], w1[3], w2[3], offset[3];
    bool lean;
  };

  static Matrix LoadMatrix(const float* matrix) {
    const Weights w = ReadWeights(matrix);
    const float scale = w.lean ? kWideScale : 1.0f;
    Matrix v;
    v.lean = w.lean;
    for (int j = 0; j < 3; ++j) {
      alignas(16) float lanes[4][4];
      for (int l = 0; l < 4; ++l) {
        const int c = (4 * j + l) % 3;
        for (int k = 0; k < 4; ++k) lanes[k][l] = w.m[4 * c + k] * (k < 3 ? scale : 1.0f);
      }
      v.w0[j] = _mm_load_ps(lanes[0]);
      v.w1[j] = _mm_load_ps(lanes[1]);
      v.w2[j] = _mm_load_ps(lanes[2]);
      v.offset[j] = _mm_load_ps(lanes[3]);
    }
    return v;
  }

  // Four pixels whose twelve samples are v0, v1, v2 (a0 b0 c0 a1 | b1 c1 a2 b2 | c2 a3 b3 c3)
  // into out[0..2], the same layout in 32 bits.
  template <bool kLean>
  TESSARO_STEP static void Four(const Matrix& m, __m128 v0, __m128 v1, __m128 v2, __m128i out[3]) {
    const auto output = [&](int j, __m128 s0, __m128 s1, __m128 s2) {
      return Output<kLean>(m.w0[j], m.w1[j], m.w2[j], m.offset[j], s0, s1, s2);
    };
    // Output 0: pixels 0 0 0 1.
    const __m128 b01 = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(0, 0, 1, 1));  // b0 b0 b1 b1
    const __m128 c01 = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(1, 1, 2, 2));  // c0 c0 c1 c1
    out[0] = output(0, _mm_shuffle_ps(v0, v0, _MM_SHUFFLE(3, 0, 0, 0)),
                    _mm_shuffle_ps(b01, b01, _MM_SHUFFLE(2, 0, 0, 0)),
                    _mm_shuffle_ps(c01, c01, _MM_SHUFFLE(2, 0, 0, 0)));
    // Output 1: pixels 1 1 2 2.
    out[1] = output(1, _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 2, 3, 3)),
                    _mm_shuffle_ps(v1, v1, _MM_SHUFFLE(3, 3, 0, 0)),
                    _mm_shuffle_ps(v1, v2, _MM_SHUFFLE(0, 0, 1, 1)));
    // Output 2: pixels 2 3 3 3.
    const __m128 a23 = _mm_shuffle_ps(v1, v2, _MM_SHUFFLE(1, 1, 2, 2));  // a2 a2 a3 a3
    const __m128 b23 = _mm_shuffle_ps(v1, v2, _MM_SHUFFLE(2, 2, 3, 3));  // b2 b2 b3 b3
    out[2] = output(2, _mm_shuffle_ps(a23, a23, _MM_SHUFFLE(2, 2, 2, 0)),
                    _mm_shuffle_ps(b23, b23, _MM_SHUFFLE(2, 2, 2, 0)),
                    _mm_shuffle_ps(v2, v2, _MM_SHUFFLE(3, 3, 3, 0)));
  }

  // Eight pixels through the matrix, saturated to 16 bits.
  template <bool kLean>
  TESSARO_STEP static Samples Transform(const Matrix& m, const Samples& in) {
    __m128i lo[3], hi[3];
    Four<kLean>(m, LowHalf<kLean>(in.v[0]), HighHalf<kLean>(in.v[0]), LowHalf<kLean>(in.v[1]), lo);
    Four<kLean>(m, HighHalf<kLean>(in.v[1]), LowHalf<kLean>(in.v[2]), HighHalf<kLean>(in.v[2]), hi);
    return {{_mm_packs_epi32(lo[0], lo[1]), _mm_packs_epi32(lo[2], hi[0]),
             _mm_packs_epi32(hi[1], hi[2])}};
  }

  // A whole step read from memory, through the matrix unless kNone.
  template <Convert kConvert>
  TESSARO_STEP static Samples Read(const Matrix& m, const unsigned char* p) {
    if constexpr (kConvert == Convert::kNone) {
      return LoadVectors(p);
    } else {
      return Transform<kConvert == Convert::kLean>(m, LoadVectors(p));
    }
  }

  TESSARO_STEP static void Write(const Samples& s, unsigned char* p) { StoreVectors(s, p); }

  // Sums of 32-bit lanes: lane j of sum k gains sample 2j of vector k and sample 2j + 1 of
  // vector k + 1 (mod 3), which hold the same channel.
  TESSARO_STEP static __m128i Sum(const Samples& s, int k) {
    return _mm_add_epi32(_mm_madd_epi16(s.v[k], _mm_set1_epi32(1)),
                         _mm_madd_epi16(s.v[(k + 1) % 3], _mm_set1_epi32(1 << 16)));
  }
  static constexpr int SumChannel(int k, int j) { return ChannelOf(k, 2 * j); }
};

// A vector of eight 16-bit constants that gives each lane of vector k of a step the value of
// its channel.
template <class Form>
inline __m128i PerLane(int k, const std::int16_t (&channel)[3]) {
  alignas(16) std::int16_t lanes[8];
  for (int l = 0; l < 8; ++l) lanes[l] = channel[Form::ChannelOf(k, l)];
  return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
}

// read(q) of a step at p whose first `pixels` pixels are those at p, zeros after them; nothing
// beyond them is read.
template <typename ReadStep>
TESSARO_STEP Samples ReadSome(const unsigned char* p, std::int32_t pixels, ReadStep read) {
  if (pixels == kPixels) return read(p);
  alignas(16) unsigned char block[kBytes] = {};
  std::memcpy(block, p, 6 * static_cast<std::size_t>(pixels));
  return read(static_cast<const unsigned char*>(block));
}

template <class Form, Convert kConvert>
TESSARO_STEP Samples Read(const typename Form::Matrix& m, const unsigned char* p,
                          std::int32_t pixels) {
  return ReadSome(p, pixels,
                  [&](const unsigned char* q) { return Form::template Read<kConvert>(m, q); });
}

// Only the first `pixels` pixels are written.
template <class Form>
TESSARO_STEP void Write(const Samples& s, unsigned char* p, std::int32_t pixels) {
  if (pixels == kPixels) {
    Form::Write(s, p);
    return;
  }
  alignas(16) unsigned char block[kBytes];
  Form::Write(s, block);
  std::memcpy(p, block, 6 * static_cast<std::size_t>(pixels));
}

// Runs body(Constant<Convert>, matrix) with the kind of matrix given, the matrix loaded
// (unused without one).
template <class Form, typename Body>
inline auto WithMatrix(const float* matrix, Body body) {
  if (matrix == nullptr) return body(Constant<Convert::kNone>{}, typename Form::Matrix{});
  const typename Form::Matrix m = Form::LoadMatrix(matrix);
  if (m.lean) return body(Constant<Convert::kLean>{}, m);
  return body(Constant<Convert::kFull>{}, m);
}

// Runs step(x, pixels) over a run of n pixels: whole steps of eight, then the rest, if any,
// as one short step.
template <typename Step>
inline void EachStep(std::int32_t n, Step step) {
  std::int32_t x = 0;
  for (; x + kPixels <= n; x += kPixels) step(x, kPixels);
  if (x < n) step(x, n - x);
}

// Runs block(y, x, n) over every run of up to `blockPixels` pixels of every row of a region
// `width` pixels wide and `height` rows high.
template <typename Block>
inline void EachBlock(std::int32_t width, std::int32_t height, std::int32_t blockPixels,
                      Block block) {
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; x += blockPixels) {
      block(y, x, width - x < blockPixels ? width - x : blockPixels);
    }
  }
}

// Pixel x of row y of an image given as its first sample and row step.
template <typename T>
inline auto PixelAt(T* image, std::int32_t step, std::int32_t y, std::int32_t x) {
  using Byte = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
  return reinterpret_cast<Byte*>(RowAt(image, step, y)) + 6 * static_cast<std::intptr_t>(x);
}

// Where a block of whole steps, stored one after another, holds channel c of pixel p.
template <class Form>
constexpr std::int32_t BlockSlot(int c, std::int32_t p) {
  return kSamples * (p / kPixels) + Form::Slot(c, p % kPixels);
}

}  // namespace sse_pixels
}  // namespace
}  // namespace tessaro
