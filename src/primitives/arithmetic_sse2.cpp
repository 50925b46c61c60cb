// SSE2 colour matrix (four pixels per step) and constant subtraction (eight samples per
// step). Rows may start at any byte: unaligned accesses only, and tails go through a small
// buffer so that nothing outside the region is read or written.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "primitives/arithmetic.h"
#include "primitives/rounding_scope.h"

namespace tessaro::sse2 {
namespace {

// Four pixels are three vectors of samples a0 b0 c0 a1 | b1 c1 a2 b2 | c2 a3 b3 c3 (a, b, c
// = channels 0, 1, 2). Output vector j holds channel (4j + l) % 3 in lane l, so each weight
// vector repeats the matrix column in that channel order.
struct MatrixVectors {
  __m128 w0[3], w1[3], w2[3], offset[3];
};

MatrixVectors LoadMatrix(const float* matrix) {
  float m[12];
  std::memcpy(m, matrix, sizeof m);
  MatrixVectors v;
  for (int j = 0; j < 3; ++j) {
    float lanes[4][4];
    for (int l = 0; l < 4; ++l) {
      const int c = (4 * j + l) % 3;
      for (int k = 0; k < 4; ++k) lanes[k][l] = m[4 * c + k];
    }
    v.w0[j] = _mm_loadu_ps(lanes[0]);
    v.w1[j] = _mm_loadu_ps(lanes[1]);
    v.w2[j] = _mm_loadu_ps(lanes[2]);
    v.offset[j] = _mm_loadu_ps(lanes[3]);
  }
  return v;
}

// (offset + w0 s0) + (w1 s1 + w2 s2), clamped, then rounded by the rounding control.
__m128i Output(const MatrixVectors& m, int j, __m128 s0, __m128 s1, __m128 s2) {
  const __m128 sum = _mm_add_ps(_mm_add_ps(m.offset[j], _mm_mul_ps(m.w0[j], s0)),
                                _mm_add_ps(_mm_mul_ps(m.w1[j], s1), _mm_mul_ps(m.w2[j], s2)));
  const __m128 clamped = _mm_max_ps(_mm_min_ps(sum, _mm_set1_ps(32767.0f)), _mm_set1_ps(-32768.0f));
  return _mm_cvtps_epi32(clamped);
}

// Four pixels (twelve samples) from s to d; everything is read before anything is written,
// so s may equal d.
void Matrix4(const MatrixVectors& m, const unsigned char* s, unsigned char* d) {
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const __m128i last = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 16));
  // Samples in the high halves of 32-bit lanes; the arithmetic shift sign-extends.
  const __m128 v0 = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(first, first), 16));
  const __m128 v1 = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(first, first), 16));
  const __m128 v2 = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(last, last), 16));

  // Output 0: pixels 0 0 0 1.
  const __m128 b01 = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(0, 0, 1, 1));  // b0 b0 b1 b1
  const __m128 c01 = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(1, 1, 2, 2));  // c0 c0 c1 c1
  const __m128i o0 = Output(m, 0, _mm_shuffle_ps(v0, v0, _MM_SHUFFLE(3, 0, 0, 0)),
                            _mm_shuffle_ps(b01, b01, _MM_SHUFFLE(2, 0, 0, 0)),
                            _mm_shuffle_ps(c01, c01, _MM_SHUFFLE(2, 0, 0, 0)));
  // Output 1: pixels 1 1 2 2.
  const __m128i o1 = Output(m, 1, _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 2, 3, 3)),
                            _mm_shuffle_ps(v1, v1, _MM_SHUFFLE(3, 3, 0, 0)),
                            _mm_shuffle_ps(v1, v2, _MM_SHUFFLE(0, 0, 1, 1)));
  // Output 2: pixels 2 3 3 3.
  const __m128 a23 = _mm_shuffle_ps(v1, v2, _MM_SHUFFLE(1, 1, 2, 2));  // a2 a2 a3 a3
  const __m128 b23 = _mm_shuffle_ps(v1, v2, _MM_SHUFFLE(2, 2, 3, 3));  // b2 b2 b3 b3
  const __m128i o2 = Output(m, 2, _mm_shuffle_ps(a23, a23, _MM_SHUFFLE(2, 2, 2, 0)),
                            _mm_shuffle_ps(b23, b23, _MM_SHUFFLE(2, 2, 2, 0)),
                            _mm_shuffle_ps(v2, v2, _MM_SHUFFLE(3, 3, 3, 0)));

  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packs_epi32(o0, o1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm_packs_epi32(o2, o2));
}

void MatrixRow(const MatrixVectors& m, const unsigned char* s, unsigned char* d,
               std::int32_t width) {
  std::int32_t x = 0;
  for (; x + 4 <= width; x += 4) Matrix4(m, s + 6 * x, d + 6 * x);
  if (x < width) {
    const std::size_t bytes = 6 * static_cast<std::size_t>(width - x);
    unsigned char in[24] = {}, out[24];
    std::memcpy(in, s + 6 * x, bytes);
    Matrix4(m, in, out);
    std::memcpy(d + 6 * x, out, bytes);
  }
}

// How a scale factor turns p - k into the new sample.
enum class Scaling { kSaturate, kDivide, kZero, kMultiply, kSign };

struct SubConstPlan {
  Scaling scaling;
  __m128i k16, k32;
  __m128i bias;   // 2^(f-1) - 1 for kDivide
  __m128i shift;  // f for kDivide, -f for kMultiply
};

SubConstPlan PlanSubConst(std::int32_t k, std::int32_t f) {
  SubConstPlan plan{Scaling::kSaturate, _mm_set1_epi16(static_cast<short>(k)), _mm_set1_epi32(k),
                    _mm_setzero_si128(), _mm_setzero_si128()};
  if (f > 16) {
    plan.scaling = Scaling::kZero;
  } else if (f > 0) {
    plan.scaling = Scaling::kDivide;
    plan.bias = _mm_set1_epi32((1 << (f - 1)) - 1);
    plan.shift = _mm_cvtsi32_si128(f);
  } else if (f < 0 && f > -16) {
    plan.scaling = Scaling::kMultiply;
    plan.shift = _mm_cvtsi32_si128(-f);
  } else if (f < 0) {
    plan.scaling = Scaling::kSign;
  }
  return plan;
}

// t = p - k in 32 bits, |t| <= 65,535, so both scalings fit before packs saturates.
__m128i Scale32(const SubConstPlan& plan, __m128i t) {
  if (plan.scaling == Scaling::kMultiply) return _mm_sll_epi32(t, plan.shift);
  // Round half to even: add 2^(f-1) - 1 plus bit f of t, then shift arithmetically.
  const __m128i odd = _mm_and_si128(_mm_sra_epi32(t, plan.shift), _mm_set1_epi32(1));
  return _mm_sra_epi32(_mm_add_epi32(_mm_add_epi32(t, plan.bias), odd), plan.shift);
}

__m128i SubConst8(const SubConstPlan& plan, __m128i p) {
  switch (plan.scaling) {
    case Scaling::kSaturate:
      return _mm_subs_epi16(p, plan.k16);
    case Scaling::kZero:
      return _mm_setzero_si128();
    case Scaling::kSign:
      return _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi16(p, plan.k16), _mm_set1_epi16(32767)),
                          _mm_and_si128(_mm_cmpgt_epi16(plan.k16, p), _mm_set1_epi16(-32768)));
    case Scaling::kDivide:
    case Scaling::kMultiply:
      break;
  }
  const __m128i lo = _mm_sub_epi32(_mm_srai_epi32(_mm_unpacklo_epi16(p, p), 16), plan.k32);
  const __m128i hi = _mm_sub_epi32(_mm_srai_epi32(_mm_unpackhi_epi16(p, p), 16), plan.k32);
  return _mm_packs_epi32(Scale32(plan, lo), Scale32(plan, hi));
}

void SubConstRow(const SubConstPlan& plan, unsigned char* row, std::int32_t width) {
  std::int32_t x = 0;
  for (; x + 8 <= width; x += 8) {
    auto* p = reinterpret_cast<__m128i*>(row + 2 * x);
    _mm_storeu_si128(p, SubConst8(plan, _mm_loadu_si128(p)));
  }
  if (x < width) {
    const std::size_t bytes = 2 * static_cast<std::size_t>(width - x);
    unsigned char buffer[16] = {};
    std::memcpy(buffer, row + 2 * x, bytes);
    auto* p = reinterpret_cast<__m128i*>(buffer);
    _mm_storeu_si128(p, SubConst8(plan, _mm_loadu_si128(p)));
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

}  // namespace tessaro::sse2
