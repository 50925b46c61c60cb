// AVX2 colour matrix (eight pixels per step, four in each 128-bit lane) and constant
// subtraction (sixteen samples per step). Rows may start at any byte: unaligned accesses only, and
// tails go through a small buffer so that nothing outside the region is read or written.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/arithmetic.h"
#include "primitives/rounding_scope.h"

namespace tessaro::avx2 {
namespace {

// Eight pixels: lane 0 holds pixels 0-3 and lane 1 pixels 4-7, each as three vectors of
// samples a0 b0 c0 a1 | b1 c1 a2 b2 | c2 a3 b3 c3 (a, b, c = channels 0, 1, 2). Output vector
// j holds channel (4j + l) % 3 in lane element l, so each weight vector repeats the matrix
// column in that channel order.
struct MatrixVectors {
  __m256 w0[3], w1[3], w2[3], offset[3];
};

MatrixVectors LoadMatrix(const float* matrix) {
  float m[12];
  std::memcpy(m, matrix, sizeof m);
  MatrixVectors v;
  for (int j = 0; j < 3; ++j) {
    float lanes[4][8];
    for (int l = 0; l < 8; ++l) {
      const int c = (4 * j + l % 4) % 3;
      for (int k = 0; k < 4; ++k) lanes[k][l] = m[4 * c + k];
    }
    v.w0[j] = _mm256_loadu_ps(lanes[0]);
    v.w1[j] = _mm256_loadu_ps(lanes[1]);
    v.w2[j] = _mm256_loadu_ps(lanes[2]);
    v.offset[j] = _mm256_loadu_ps(lanes[3]);
  }
  return v;
}

// (offset + w0 s0) + (w1 s1 + w2 s2), clamped, then rounded by the rounding control.
__m256i Output(const MatrixVectors& m, int j, __m256 s0, __m256 s1, __m256 s2) {
  const __m256 sum =
      _mm256_add_ps(_mm256_add_ps(m.offset[j], _mm256_mul_ps(m.w0[j], s0)),
                    _mm256_add_ps(_mm256_mul_ps(m.w1[j], s1), _mm256_mul_ps(m.w2[j], s2)));
  const __m256 clamped =
      _mm256_max_ps(_mm256_min_ps(sum, _mm256_set1_ps(32767.0f)), _mm256_set1_ps(-32768.0f));
  return _mm256_cvtps_epi32(clamped);
}

__m256 ToFloats(__m128i samples) {
  return _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(samples));
}

// Eight pixels (24 samples) from s to d; everything is read before anything is written, so s
// may equal d.
void Matrix8(const MatrixVectors& m, const unsigned char* s, unsigned char* d) {
  const __m128i first0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const __m128i last0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 16));
  const __m128i first1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 24));
  const __m128i last1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 40));
  const __m256 v0 = ToFloats(_mm_unpacklo_epi64(first0, first1));
  const __m256 v1 = ToFloats(_mm_unpackhi_epi64(first0, first1));
  const __m256 v2 = ToFloats(_mm_unpacklo_epi64(last0, last1));

  // Output 0: pixels 0 0 0 1 of each lane.
  const __m256 b01 = _mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(0, 0, 1, 1));  // b0 b0 b1 b1
  const __m256 c01 = _mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(1, 1, 2, 2));  // c0 c0 c1 c1
  const __m256i o0 = Output(m, 0, _mm256_shuffle_ps(v0, v0, _MM_SHUFFLE(3, 0, 0, 0)),
                            _mm256_shuffle_ps(b01, b01, _MM_SHUFFLE(2, 0, 0, 0)),
                            _mm256_shuffle_ps(c01, c01, _MM_SHUFFLE(2, 0, 0, 0)));
  // Output 1: pixels 1 1 2 2.
  const __m256i o1 = Output(m, 1, _mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 2, 3, 3)),
                            _mm256_shuffle_ps(v1, v1, _MM_SHUFFLE(3, 3, 0, 0)),
                            _mm256_shuffle_ps(v1, v2, _MM_SHUFFLE(0, 0, 1, 1)));
  // Output 2: pixels 2 3 3 3.
  const __m256 a23 = _mm256_shuffle_ps(v1, v2, _MM_SHUFFLE(1, 1, 2, 2));  // a2 a2 a3 a3
  const __m256 b23 = _mm256_shuffle_ps(v1, v2, _MM_SHUFFLE(2, 2, 3, 3));  // b2 b2 b3 b3
  const __m256i o2 = Output(m, 2, _mm256_shuffle_ps(a23, a23, _MM_SHUFFLE(2, 2, 2, 0)),
                            _mm256_shuffle_ps(b23, b23, _MM_SHUFFLE(2, 2, 2, 0)),
                            _mm256_shuffle_ps(v2, v2, _MM_SHUFFLE(3, 3, 3, 0)));

  // packs per lane: samples 0-7 and 12-19 in one vector, 8-11 and 20-23 in the other.
  const __m256i p01 = _mm256_packs_epi32(o0, o1);
  const __m256i p2 = _mm256_packs_epi32(o2, o2);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(p01));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm256_castsi256_si128(p2));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 24), _mm256_extracti128_si256(p01, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 40), _mm256_extracti128_si256(p2, 1));
}

void MatrixRow(const MatrixVectors& m, const unsigned char* s, unsigned char* d,
               std::int32_t width) {
  std::int32_t x = 0;
  for (; x + 8 <= width; x += 8) Matrix8(m, s + 6 * x, d + 6 * x);
  if (x < width) {
    const std::size_t bytes = 6 * static_cast<std::size_t>(width - x);
    unsigned char in[48] = {}, out[48];
    std::memcpy(in, s + 6 * x, bytes);
    Matrix8(m, in, out);
    std::memcpy(d + 6 * x, out, bytes);
  }
}

// How a scale factor turns p - k into the new sample.
enum class Scaling { kSaturate, kDivide, kZero, kMultiply, kSign };

struct SubConstPlan {
  Scaling scaling;
  __m256i k16, k32;
  __m256i bias;   // 2^(f-1) - 1 for kDivide
  __m128i shift;  // f for kDivide, -f for kMultiply
};

SubConstPlan PlanSubConst(std::int32_t k, std::int32_t f) {
  SubConstPlan plan{Scaling::kSaturate, _mm256_set1_epi16(static_cast<short>(k)),
                    _mm256_set1_epi32(k), _mm256_setzero_si256(), _mm_setzero_si128()};
  if (f > 16) {
    plan.scaling = Scaling::kZero;
  } else if (f > 0) {
    plan.scaling = Scaling::kDivide;
    plan.bias = _mm256_set1_epi32((1 << (f - 1)) - 1);
    plan.shift = _mm_cvtsi32_si128(f);
  } else if (f < 0 && f > -16) {
    plan.scaling = Scaling::kMultiply;
    plan.shift = _mm_cvtsi32_si128(-f);
  } else if (f < 0) {
    plan.scaling = Scaling::kSign;
  }
  return plan;
}

// Unpack and packs both work per lane, so sample order survives the round trip.
// t = p - k in 32 bits, |t| <= 65,535, so both scalings fit before packs saturates.
__m256i Scale32(const SubConstPlan& plan, __m256i t) {
  if (plan.scaling == Scaling::kMultiply) return _mm256_sll_epi32(t, plan.shift);
  // Round half to even: add 2^(f-1) - 1 plus bit f of t, then shift arithmetically.
  const __m256i odd = _mm256_and_si256(_mm256_sra_epi32(t, plan.shift), _mm256_set1_epi32(1));
  return _mm256_sra_epi32(_mm256_add_epi32(_mm256_add_epi32(t, plan.bias), odd), plan.shift);
}

__m256i SubConst16(const SubConstPlan& plan, __m256i p) {
  switch (plan.scaling) {
    case Scaling::kSaturate:
      return _mm256_subs_epi16(p, plan.k16);
    case Scaling::kZero:
      return _mm256_setzero_si256();
    case Scaling::kSign:
      return _mm256_or_si256(
          _mm256_and_si256(_mm256_cmpgt_epi16(p, plan.k16), _mm256_set1_epi16(32767)),
          _mm256_and_si256(_mm256_cmpgt_epi16(plan.k16, p), _mm256_set1_epi16(-32768)));
    case Scaling::kDivide:
    case Scaling::kMultiply:
      break;
  }
  const __m256i lo = _mm256_sub_epi32(_mm256_srai_epi32(_mm256_unpacklo_epi16(p, p), 16), plan.k32);
  const __m256i hi = _mm256_sub_epi32(_mm256_srai_epi32(_mm256_unpackhi_epi16(p, p), 16), plan.k32);
  return _mm256_packs_epi32(Scale32(plan, lo), Scale32(plan, hi));
}

void SubConstRow(const SubConstPlan& plan, unsigned char* row, std::int32_t width) {
  std::int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    auto* p = reinterpret_cast<__m256i*>(row + 2 * x);
    _mm256_storeu_si256(p, SubConst16(plan, _mm256_loadu_si256(p)));
  }
  if (x < width) {
    const std::size_t bytes = 2 * static_cast<std::size_t>(width - x);
    unsigned char buffer[32] = {};
    std::memcpy(buffer, row + 2 * x, bytes);
    auto* p = reinterpret_cast<__m256i*>(buffer);
    _mm256_storeu_si256(p, SubConst16(plan, _mm256_loadu_si256(p)));
    std::memcpy(row + 2 * x, buffer, bytes);
  }
}

}  // namespace

Status ColorMatrixS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                        std::int32_t dstStep, ImageSize size, const float* matrix) {
  const MatrixVectors m = LoadMatrix(matrix);
  const RoundingScope rounding(kRoundNearest);
  const auto* s = reinterpret_cast<const unsigned char*>(src);
  auto* d = reinterpret_cast<unsigned char*>(dst);
  for (std::int32_t y = 0; y < size.height; ++y, s += srcStep, d += dstStep) {
    MatrixRow(m, s, d, size.width);
  }
  return StatusOk;
}

Status SubConstS16C1(std::int32_t value, std::int16_t* image, std::int32_t step, ImageSize size,
                     std::int32_t scaleFactor) {
  const std::int32_t k = static_cast<std::int16_t>(value);  // only the low 16 bits count
  if (scaleFactor == 0 && k == 0) return StatusOk;
  const SubConstPlan plan = PlanSubConst(k, scaleFactor);
  // The step is not validated: it may be zero or negative, so rows are addressed by index.
  auto* base = reinterpret_cast<unsigned char*>(image);
  for (std::int32_t y = 0; y < size.height; ++y) {
    SubConstRow(plan, base + static_cast<std::intptr_t>(step) * y, size.width);
  }
  return StatusOk;
}

}  // namespace tessaro::avx2
