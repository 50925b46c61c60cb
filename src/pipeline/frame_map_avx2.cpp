// The mapping kernels in AVX2: sixteen pixels per step, split into channel vectors, each
// table read with 8-lane gathers, and the colour matrices on the channel vectors.
#include <immintrin.h>

#include <cstdint>

#include "pipeline/frame_lookup.h"
#include "pipeline/frame_map.h"
#include "pipeline/frame_pixels_avx2.h"
#include "primitives/rounding.h"
#include "primitives/rounding_scope.h"

namespace tessaro::avx2 {
namespace {

using namespace avx2_pixels;

// A compile-time choice passed as an argument.
template <bool B>
struct Flag {
  static constexpr bool value = B;
};

// What a lookup does to its channel.
enum class Use { kNone, kClamp, kTable };

// A lookup as vectors (frame_lookup.h): a table's entry for v is at clamp(v - lo, 0, last);
// a clamp takes v into lo..hi.
struct Table {
  Use use;
  const int* base;  // the 16-bit entries, read as 32 bits at 2-byte steps
  __m256i lo, last, hi;
  __m256i lo16, hi16;
};

struct Tables {
  Table t[3];
};

Tables LoadTables(const SampleLookup lookups[3]) {
  Tables tables{};
  for (int c = 0; c < 3; ++c) {
    const LookupBounds b = Reduce(lookups[c]);
    const Use use = b.values != nullptr ? Use::kTable : b.changes ? Use::kClamp : Use::kNone;
    tables.t[c] = {use,
                   reinterpret_cast<const int*>(b.values),
                   _mm256_set1_epi32(b.lo),
                   _mm256_set1_epi32(b.hi - b.lo),
                   _mm256_set1_epi32(b.hi),
                   _mm256_set1_epi16(b.lo),
                   _mm256_set1_epi16(b.hi)};
  }
  return tables;
}

// Each 32-bit lane gathers the entry and the one after it; the low half is the entry.
__m256i Look(const Table& t, __m256i v) {
  if (t.use == Use::kClamp) return _mm256_min_epi32(_mm256_max_epi32(v, t.lo), t.hi);
  const __m256i k =
      _mm256_min_epi32(_mm256_max_epi32(_mm256_sub_epi32(v, t.lo), _mm256_setzero_si256()), t.last);
  const __m256i pair = _mm256_i32gather_epi32(t.base, k, 2);
  return _mm256_srai_epi32(_mm256_slli_epi32(pair, 16), 16);
}

// Samples of a lean matrix may lie outside the 16-bit range: the bounds of a table or a clamp
// lie inside it and saturate them too; a channel without either is saturated here.
void Look(const Tables& tables, Wide w[3]) {
  const __m256i low = _mm256_set1_epi32(-32768), high = _mm256_set1_epi32(32767);
  for (int c = 0; c < 3; ++c) {
    if (tables.t[c].use == Use::kNone) {
      w[c].lo = _mm256_min_epi32(_mm256_max_epi32(w[c].lo, low), high);
      w[c].hi = _mm256_min_epi32(_mm256_max_epi32(w[c].hi, low), high);
      continue;
    }
    w[c].lo = Look(tables.t[c], w[c].lo);
    w[c].hi = Look(tables.t[c], w[c].hi);
  }
}

// Runs step(in, out) over every sixteen pixels of the region's rows; the last pixels of a
// row go through a zeroed block so that nothing outside the region is read or written.
template <typename Step>
void EachStep(const unsigned char* src, std::int32_t srcStep, unsigned char* dst,
              std::int32_t dstStep, ImageSize size, Step step) {
  const std::int32_t full = size.width / kPixels * kPixels;
  const std::size_t tailBytes = 6 * static_cast<std::size_t>(size.width - full);
  for (std::int32_t y = 0; y < size.height; ++y) {
    const unsigned char* in = src + static_cast<std::intptr_t>(srcStep) * y;
    unsigned char* out = dst + static_cast<std::intptr_t>(dstStep) * y;
    for (std::int32_t x = 0; x < full; x += kPixels) step(in + 6 * x, out + 6 * x);
    if (tailBytes > 0) {
      alignas(32) unsigned char block[kBytes];
      LoadTail(in + 6 * full, size.width - full, block);
      step(block, block);
      std::memcpy(out + 6 * full, block, tailBytes);
    }
  }
}

}  // namespace

Status LookupS16C3(std::int16_t* image, std::int32_t step, ImageSize size,
                   const SampleLookup lookups[3]) {
  const Masks split = MakeMasks(false);
  const Masks join = MakeMasks(true);
  const Tables tables = LoadTables(lookups);
  auto* base = reinterpret_cast<unsigned char*>(image);
  EachStep(base, step, base, step, size, [&](const unsigned char* in, unsigned char* out) {
    Channels ch = Deinterleave(split, LoadParts(in));
    for (int c = 0; c < 3; ++c) {
      const Table& t = tables.t[c];
      if (t.use == Use::kClamp) {
        ch.v[c] = _mm256_min_epi16(_mm256_max_epi16(ch.v[c], t.lo16), t.hi16);
      } else if (t.use == Use::kTable) {
        const Wide w = Widen(ch.v[c]);
        ch.v[c] = Narrow({Look(t, w.lo), Look(t, w.hi)});
      }
    }
    StoreParts(Interleave(join, ch), out);
  });
  return StatusOk;
}

Status MatrixLookupS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                         std::int32_t dstStep, ImageSize size, const float* first,
                         const SampleLookup lookups[3], const float* second) {
  const RoundingScope rounding(kRoundNearest);
  const Masks split = MakeMasks(false);
  const Masks join = MakeMasks(true);
  const Tables tables = LoadTables(lookups);
  const bool convert = first != nullptr;
  const Matrix in = convert ? LoadMatrix(first) : Matrix{};
  const Matrix out = LoadMatrix(second);
  const auto run = [&](auto lean) {
    constexpr bool kLean = decltype(lean)::value;
    EachStep(
        reinterpret_cast<const unsigned char*>(src), srcStep, reinterpret_cast<unsigned char*>(dst),
        dstStep, size, [&](const unsigned char* p, unsigned char* q) {
          const Channels ch = Deinterleave(split, LoadParts(p));
          Wide w[3] = {Widen(ch.v[0]), Widen(ch.v[1]), Widen(ch.v[2])};
          if (convert) {
            const Wide samples[3] = {w[0], w[1], w[2]};
            Transform<kLean>(in, samples, w);
          }
          Look(tables, w);
          Wide result[3];
          Transform<kLean>(out, w, result);
          StoreParts(Interleave(join, {{Narrow(result[0]), Narrow(result[1]), Narrow(result[2])}}),
                     q);
        });
  };
  if ((!convert || in.lean) && out.lean) {
    run(Flag<true>{});
  } else {
    run(Flag<false>{});
  }
  return StatusOk;
}

}  // namespace tessaro::avx2
