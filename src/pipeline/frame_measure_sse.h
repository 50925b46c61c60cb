// The measuring kernels on steps of eight pixels in any form (frame_pixels_sse.h): extremes
// and sums in vectors lane by lane, counts as scalar increments of 16-bit counters read from a
// block of clamped samples. Internal linkage: a level's file instantiates them with its own
// instructions and forms.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "pipeline/frame_measure.h"
#include "pipeline/frame_pixels_sse.h"
#include "primitives/rounding_scope.h"

namespace tessaro {
namespace {
namespace sse_measure {

using namespace sse_pixels;

// A 32-bit lane of a sum gains two samples per step, at most 65,536 in magnitude, so 16,384
// steps stay far inside its range.
constexpr std::int32_t kFlushSteps = 16384;

// Extremes of every lane and sums of the form's 32-bit lanes, channels told apart when they
// are read out.
template <class Form>
class Stats {
 public:
  Stats() {
    for (int k = 0; k < 3; ++k) {
      min_[k] = _mm_set1_epi16(INT16_MAX);
      max_[k] = _mm_set1_epi16(INT16_MIN);
      sum_[k] = _mm_setzero_si128();
    }
  }

  void Take(const Samples& s, std::int32_t pixels) {
    if (pixels < kPixels) {
      AddSome(s, pixels);
      return;
    }
    for (int k = 0; k < 3; ++k) {
      min_[k] = _mm_min_epi16(min_[k], s.v[k]);
      max_[k] = _mm_max_epi16(max_[k], s.v[k]);
      sum_[k] = _mm_add_epi32(sum_[k], Form::Sum(s, k));
    }
    if (++steps_ == kFlushSteps) Flush();
  }

  void Result(ChannelStats* stats) {
    Flush();
    for (int k = 0; k < 3; ++k) {
      alignas(16) std::int16_t lo[8], hi[8];
      _mm_store_si128(reinterpret_cast<__m128i*>(lo), min_[k]);
      _mm_store_si128(reinterpret_cast<__m128i*>(hi), max_[k]);
      for (int l = 0; l < 8; ++l) {
        const int c = Form::ChannelOf(k, l);
        lowest_[c] = lo[l] < lowest_[c] ? lo[l] : lowest_[c];
        highest_[c] = hi[l] > highest_[c] ? hi[l] : highest_[c];
      }
    }
    for (int c = 0; c < 3; ++c) {
      stats->min[c] = lowest_[c];
      stats->max[c] = highest_[c];
      stats->sum[c] = total_[c];
    }
  }

 private:
  // The first `pixels` pixels only.
  void AddSome(const Samples& s, std::int32_t pixels) {
    alignas(16) std::int16_t v[kSamples];
    StoreVectors(s, reinterpret_cast<unsigned char*>(v));
    for (std::int32_t p = 0; p < pixels; ++p) {
      for (int c = 0; c < 3; ++c) {
        const std::int16_t x = v[Form::Slot(c, p)];
        lowest_[c] = x < lowest_[c] ? x : lowest_[c];
        highest_[c] = x > highest_[c] ? x : highest_[c];
        total_[c] += x;
      }
    }
  }

  void Flush() {
    for (int k = 0; k < 3; ++k) {
      alignas(16) std::int32_t lanes[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sum_[k]);
      for (int j = 0; j < 4; ++j) total_[Form::SumChannel(k, j)] += lanes[j];
      sum_[k] = _mm_setzero_si128();
    }
    steps_ = 0;
  }

  __m128i min_[3], max_[3], sum_[3];
  std::int64_t total_[3] = {0, 0, 0};
  std::int16_t lowest_[3] = {INT16_MAX, INT16_MAX, INT16_MAX};
  std::int16_t highest_[3] = {INT16_MIN, INT16_MIN, INT16_MIN};
  std::int32_t steps_ = 0;
};

template <class Form>
Status Measure(const std::int16_t* src, std::int32_t srcStep, ImageSize size, const float* matrix,
               std::int16_t* dst, std::int32_t dstStep, ChannelStats* stats) {
  const RoundingScope rounding(kRoundNearest);
  return WithMatrix<Form>(matrix, [&](auto kind, const typename Form::Matrix& m) {
    constexpr Convert kConvert = decltype(kind)::value;
    Stats<Form> acc;
    for (std::int32_t y = 0; y < size.height; ++y) {
      const unsigned char* in = PixelAt(src, srcStep, y, 0);
      unsigned char* out = dst != nullptr ? PixelAt(dst, dstStep, y, 0) : nullptr;
      EachStep(size.width, [&](std::int32_t x, std::int32_t pixels) {
        const Samples s = Read<Form, kConvert>(m, in + 6 * x, pixels);
        if (out != nullptr) Write<Form>(s, out + 6 * x, pixels);
        acc.Take(s, pixels);
      });
    }
    acc.Result(stats);
    return StatusOk;
  });
}

// Counters of up to this many bins per channel are counted in 16 bits first, in two copies that
// neighbouring pixels take turns in: on a flat frame, where every pixel of a channel hits one
// counter, that halves the time of one copy, for 3% more on a noisy one. All of them take
// 3 x 2 x 4,160 x 2 bytes, and only the bins of the values a frame has are touched; each copy
// is padded so that no two copies' bins of a value lie a multiple of 4 KiB apart.
constexpr std::int32_t kNarrowBins = 4096;
constexpr int kCopies = 2;
struct Counters16 {
  std::uint16_t bins[3][kCopies][kNarrowBins + 64];
};

// Pixels counted from one block of clamped samples.
constexpr std::int32_t kCountBlock = 128;

// n pixels of a block of clamped samples, each channel into its bins. Neighbouring pixels take
// turns between the copies, so that a run of equal samples does not wait on one counter.
template <class Form>
void CountBlock(const std::int16_t* s, std::int32_t n, Counters16& local, const bool counted[3]) {
  static_assert(kPixels % kCopies == 0);
  if (counted[0] && counted[1] && counted[2]) {
    std::int32_t p = 0;
    for (; p + kPixels <= n; p += kPixels, s += kSamples) {
      for (int i = 0; i < kPixels; ++i) {
        for (int c = 0; c < 3; ++c) ++local.bins[c][i % kCopies][s[Form::Slot(c, i)]];
      }
    }
    for (int i = 0; i < n - p; ++i) {
      for (int c = 0; c < 3; ++c) ++local.bins[c][i % kCopies][s[Form::Slot(c, i)]];
    }
    return;
  }
  for (int c = 0; c < 3; ++c) {
    if (!counted[c]) continue;
    for (std::int32_t p = 0; p < n; ++p) ++local.bins[c][p % kCopies][s[BlockSlot<Form>(c, p)]];
  }
}

template <class Form>
Status Count(const std::int16_t* src, std::int32_t srcStep, ImageSize size, const float* matrix,
             std::int16_t* dst, std::int32_t dstStep, std::int32_t high,
             std::uint32_t* const counts[3]) {
  const RoundingScope rounding(kRoundNearest);
  const __m128i zero = _mm_setzero_si128();
  const __m128i top = _mm_set1_epi16(static_cast<short>(high));
  std::uint32_t* const bins[3] = {counts[0], counts[1], counts[2]};
  const bool counted[3] = {bins[0] != nullptr, bins[1] != nullptr, bins[2] != nullptr};
  // Narrow counters stay in the first-level cache; they move into the caller's before any
  // can overflow.
  const bool narrow = high < kNarrowBins;
  const auto binBytes = sizeof(std::uint16_t) * static_cast<std::size_t>(high + 1);
  Counters16 local;
  std::int32_t pending = 0;
  const auto clear = [&] {
    for (int c = 0; c < 3; ++c) {
      for (int j = 0; j < kCopies && counted[c]; ++j) std::memset(local.bins[c][j], 0, binBytes);
    }
    pending = 0;
  };
  const auto flush = [&] {
    for (int c = 0; c < 3; ++c) {
      if (!counted[c]) continue;
      for (int j = 0; j < kCopies; ++j) {
        for (std::int32_t k = 0; k <= high; ++k) bins[c][k] += local.bins[c][j][k];
      }
    }
    clear();
  };
  if (narrow) clear();
  return WithMatrix<Form>(matrix, [&](auto kind, const typename Form::Matrix& m) {
    constexpr Convert kConvert = decltype(kind)::value;
    alignas(16) std::int16_t block[kSamples * (kCountBlock / kPixels)];
    EachBlock(size.width, size.height, kCountBlock,
              [&](std::int32_t y, std::int32_t x, std::int32_t n) {
                const unsigned char* in = PixelAt(src, srcStep, y, x);
                unsigned char* out = dst != nullptr ? PixelAt(dst, dstStep, y, x) : nullptr;
                EachStep(n, [&](std::int32_t i, std::int32_t pixels) {
                  const Samples s = Read<Form, kConvert>(m, in + 6 * i, pixels);
                  if (out != nullptr) Write<Form>(s, out + 6 * i, pixels);
                  auto* q = reinterpret_cast<__m128i*>(block + 3 * i);
                  for (int k = 0; k < 3; ++k) {
                    _mm_store_si128(q + k, _mm_min_epi16(_mm_max_epi16(s.v[k], zero), top));
                  }
                });
                if (narrow) {
                  CountBlock<Form>(block, n, local, counted);
                  if ((pending += n) > 65535 - kCountBlock) flush();
                  return;
                }
                for (int c = 0; c < 3; ++c) {
                  if (!counted[c]) continue;
                  for (std::int32_t p = 0; p < n; ++p) ++bins[c][block[BlockSlot<Form>(c, p)]];
                }
              });
    if (narrow) flush();
    return StatusOk;
  });
}

// A level's kernels whose colour matrix goes through MatrixForm: without a matrix, the
// interleaved form, which needs no shuffles at all.
template <class MatrixForm>
Status MeasureWith(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                   const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                   ChannelStats* stats) {
  if (matrix == nullptr) {
    return Measure<sse_pixels::Interleaved>(src, srcStep, size, matrix, dst, dstStep, stats);
  }
  return Measure<MatrixForm>(src, srcStep, size, matrix, dst, dstStep, stats);
}

template <class MatrixForm>
Status CountWith(const std::int16_t* src, std::int32_t srcStep, ImageSize size, const float* matrix,
                 std::int16_t* dst, std::int32_t dstStep, std::int32_t high,
                 std::uint32_t* const counts[3]) {
  if (matrix == nullptr) {
    return Count<sse_pixels::Interleaved>(src, srcStep, size, matrix, dst, dstStep, high, counts);
  }
  return Count<MatrixForm>(src, srcStep, size, matrix, dst, dstStep, high, counts);
}

}  // namespace sse_measure
}  // namespace
}  // namespace tessaro
