// The measuring kernel in AVX2: sixteen pixels per step, split into channel vectors, through
// the colour matrix when there is one, then extremes and sums in vectors. (Counts and lookups
// take the AVX level's kernels on this code path: see kernel_slots.cpp.)
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "pipeline/frame_measure.h"
#include "pipeline/frame_pixels_avx2.h"
#include "primitives/rounding.h"
#include "primitives/rounding_scope.h"

namespace tessaro::avx2 {
namespace {

using namespace avx2_pixels;

// A 32-bit lane of a sum gains two samples per step (vpmaddwd), at most 65,536 in magnitude,
// so 16,384 steps stay far inside its range.
constexpr std::int32_t kFlushSteps = 16384;

// How a reader takes the samples: as they are, or through a full or a lean matrix.
enum class Convert { kNone, kFull, kLean };

// Sixteen pixels as channel vectors, through the matrix when there is one.
template <Convert kConvert>
class Reader {
 public:
  explicit Reader(const Matrix& matrix) : masks_(MakeMasks(false)), matrix_(matrix) {}

  Channels operator()(const unsigned char* p) const {
    Channels ch = Deinterleave(masks_, LoadParts(p));
    if constexpr (kConvert == Convert::kNone) {
      return ch;
    } else {
      const Wide in[3] = {Widen(ch.v[0]), Widen(ch.v[1]), Widen(ch.v[2])};
      Wide out[3];
      Transform<kConvert == Convert::kLean>(matrix_, in, out);
      for (int c = 0; c < 3; ++c) ch.v[c] = Narrow(out[c]);
      return ch;
    }
  }

  // The last pixels of a row, fewer than sixteen, with zeros after them.
  Channels Tail(const unsigned char* p, std::int32_t pixels) const {
    alignas(32) unsigned char block[kBytes];
    LoadTail(p, pixels, block);
    return (*this)(block);
  }

 private:
  Masks masks_;
  Matrix matrix_;
};

// Runs body(read) with the reader that the matrix (or none) calls for.
template <typename Body>
Status WithReader(const float* matrix, Body body) {
  if (matrix == nullptr) return body(Reader<Convert::kNone>(Matrix{}));
  const Matrix m = LoadMatrix(matrix);
  if (m.lean) return body(Reader<Convert::kLean>(m));
  return body(Reader<Convert::kFull>(m));
}

// The channels of sixteen pixels, interleaved again, into a row of the destination when
// there is one.
class Keeper {
 public:
  Keeper(std::int16_t* dst, std::int32_t dstStep)
      : join_(MakeMasks(true)), dst_(reinterpret_cast<unsigned char*>(dst)), step_(dstStep) {}

  void Put(std::int32_t y, std::int32_t x, const Channels& ch, std::int32_t pixels) const {
    if (dst_ == nullptr) return;
    unsigned char* q =
        dst_ + static_cast<std::intptr_t>(step_) * y + 6 * static_cast<std::intptr_t>(x);
    if (pixels == kPixels) {
      StoreParts(Interleave(join_, ch), q);
      return;
    }
    alignas(32) unsigned char block[kBytes];
    StoreParts(Interleave(join_, ch), block);
    std::memcpy(q, block, 6 * static_cast<std::size_t>(pixels));
  }

 private:
  Masks join_;
  unsigned char* dst_;
  std::int32_t step_;
};

// Every sixteen pixels of the region as channel vectors, kept when there is a destination, and
// handed to take(channels, pixels); the last pixels of a row come with zeros after them.
template <typename Read, typename Take>
void EachStep(const Read& read, const Keeper& keep, const std::int16_t* src, std::int32_t srcStep,
              ImageSize size, Take take) {
  const std::int32_t full = size.width / kPixels * kPixels;
  for (std::int32_t y = 0; y < size.height; ++y) {
    const auto* row = reinterpret_cast<const unsigned char*>(RowAt(src, srcStep, y));
    for (std::int32_t x = 0; x < full; x += kPixels) {
      const Channels ch = read(row + 6 * x);
      keep.Put(y, x, ch, kPixels);
      take(ch, kPixels);
    }
    if (full < size.width) {
      const Channels ch = read.Tail(row + 6 * full, size.width - full);
      keep.Put(y, full, ch, size.width - full);
      take(ch, size.width - full);
    }
  }
}

class StatsAccumulator {
 public:
  StatsAccumulator() {
    for (int c = 0; c < 3; ++c) {
      min_[c] = _mm256_set1_epi16(INT16_MAX);
      max_[c] = _mm256_set1_epi16(INT16_MIN);
      sum_[c] = _mm256_setzero_si256();
      total_[c] = 0;
    }
  }

  void Add(const Channels& ch) {
    const __m256i ones = _mm256_set1_epi16(1);
    for (int c = 0; c < 3; ++c) {
      min_[c] = _mm256_min_epi16(min_[c], ch.v[c]);
      max_[c] = _mm256_max_epi16(max_[c], ch.v[c]);
      sum_[c] = _mm256_add_epi32(sum_[c], _mm256_madd_epi16(ch.v[c], ones));
    }
    if (++steps_ == kFlushSteps) Flush();
  }

  // The first `pixels` pixels only.
  void AddSome(const Channels& ch, std::int32_t pixels) {
    alignas(32) std::int16_t v[3][kPixels];
    for (int c = 0; c < 3; ++c) {
      _mm256_store_si256(reinterpret_cast<__m256i*>(v[c]), ch.v[c]);
      for (std::int32_t i = 0; i < pixels; ++i) {
        lowest_[c] = v[c][i] < lowest_[c] ? v[c][i] : lowest_[c];
        highest_[c] = v[c][i] > highest_[c] ? v[c][i] : highest_[c];
        total_[c] += v[c][i];
      }
    }
  }

  void Result(ChannelStats* stats) {
    Flush();
    for (int c = 0; c < 3; ++c) {
      alignas(32) std::int16_t lo[kPixels], hi[kPixels];
      _mm256_store_si256(reinterpret_cast<__m256i*>(lo), min_[c]);
      _mm256_store_si256(reinterpret_cast<__m256i*>(hi), max_[c]);
      std::int16_t mn = lowest_[c], mx = highest_[c];
      for (int i = 0; i < kPixels; ++i) {
        mn = lo[i] < mn ? lo[i] : mn;
        mx = hi[i] > mx ? hi[i] : mx;
      }
      stats->min[c] = mn;
      stats->max[c] = mx;
      stats->sum[c] = total_[c];
    }
  }

 private:
  void Flush() {
    for (int c = 0; c < 3; ++c) {
      alignas(32) std::int32_t lanes[8];
      _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sum_[c]);
      for (int j = 0; j < 8; ++j) total_[c] += lanes[j];
      sum_[c] = _mm256_setzero_si256();
    }
    steps_ = 0;
  }

  __m256i min_[3], max_[3], sum_[3];
  std::int64_t total_[3];
  std::int16_t lowest_[3] = {INT16_MAX, INT16_MAX, INT16_MAX};
  std::int16_t highest_[3] = {INT16_MIN, INT16_MIN, INT16_MIN};
  std::int32_t steps_ = 0;
};

}  // namespace

Status MeasureS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                    const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                    ChannelStats* stats) {
  const RoundingScope rounding(kRoundNearest);
  const Keeper keep(dst, dstStep);
  return WithReader(matrix, [&](const auto& read) {
    StatsAccumulator acc;
    EachStep(read, keep, src, srcStep, size, [&](const Channels& ch, std::int32_t pixels) {
      if (pixels == kPixels) {
        acc.Add(ch);
      } else {
        acc.AddSome(ch, pixels);
      }
    });
    acc.Result(stats);
    return StatusOk;
  });
}

}  // namespace tessaro::avx2
