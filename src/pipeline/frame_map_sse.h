// The mapping kernels on steps of eight pixels in any form (frame_pixels_sse.h). Every lookup
// becomes a clamp in 16 bits, lane by lane: a clamp is one already, and a table's clamped
// sample, less its low bound, is its index. Without gathers, the entries of a table are then
// read one by one from a block of indices while the block is in cache, which took 0.6 of the
// time of extracting each index from its vector and inserting the entry back (pextrw, pinsrw);
// the colour matrices work on the vectors. Internal linkage: a level's file instantiates them
// with its own instructions and forms.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "pipeline/frame_lookup.h"
#include "pipeline/frame_map.h"
#include "pipeline/frame_pixels_sse.h"
#include "primitives/rounding_scope.h"

namespace tessaro {
namespace {
namespace sse_map {

using namespace sse_pixels;

// The three channels' lookups, and their bounds as per-lane constants of a step's vectors.
template <class Form>
struct Tables {
  LookupBounds lane[3];
  __m128i lo[3], hi[3], sub[3];
  bool reads;    // some channel has a table
  bool changes;  // some channel is not left as it is
};

template <class Form>
Tables<Form> LoadTables(const SampleLookup lookups[3]) {
  Tables<Form> t;
  std::int16_t lo[3], hi[3], sub[3];
  t.reads = t.changes = false;
  for (int c = 0; c < 3; ++c) {
    t.lane[c] = Reduce(lookups[c]);
    lo[c] = t.lane[c].lo;
    hi[c] = t.lane[c].hi;
    sub[c] = t.lane[c].sub;
    t.reads = t.reads || t.lane[c].values != nullptr;
    t.changes = t.changes || t.lane[c].changes;
  }
  for (int k = 0; k < 3; ++k) {
    t.lo[k] = PerLane<Form>(k, lo);
    t.hi[k] = PerLane<Form>(k, hi);
    t.sub[k] = PerLane<Form>(k, sub);
  }
  return t;
}

// Clamped samples, and indices in the lanes of channels with tables.
template <class Form>
TESSARO_STEP Samples Clamp(const Tables<Form>& t, const Samples& s) {
  Samples r;
  for (int k = 0; k < 3; ++k) {
    r.v[k] = _mm_sub_epi16(_mm_min_epi16(_mm_max_epi16(s.v[k], t.lo[k]), t.hi[k]), t.sub[k]);
  }
  return r;
}

// Channel C of a block of n pixels, which holds indices, takes its table's entries in place.
// C is a constant so that every place in a step is one too: the 32-bit target then addresses
// each sample by a displacement instead of an index it has no register left for.
template <class Form, int C>
void ReadTable(const std::int16_t* values, std::int16_t* s, std::int32_t n) {
  std::int32_t p = 0;
  for (; p + kPixels <= n; p += kPixels, s += kSamples) {
    for (int i = 0; i < kPixels; ++i) {
      s[Form::Slot(C, i)] = values[static_cast<std::uint16_t>(s[Form::Slot(C, i)])];
    }
  }
  for (int i = 0; i < n - p; ++i) {
    s[Form::Slot(C, i)] = values[static_cast<std::uint16_t>(s[Form::Slot(C, i)])];
  }
}

// A block of n pixels whose table channels hold indices takes its tables' entries, in place.
template <class Form>
void ReadTables(const Tables<Form>& t, std::int16_t* block, std::int32_t n) {
  if (t.lane[0].values != nullptr) ReadTable<Form, 0>(t.lane[0].values, block, n);
  if (t.lane[1].values != nullptr) ReadTable<Form, 1>(t.lane[1].values, block, n);
  if (t.lane[2].values != nullptr) ReadTable<Form, 2>(t.lane[2].values, block, n);
}

// Pixels whose indices are read from one block, while it is in cache.
constexpr std::int32_t kMapBlock = 128;

// In place, in the interleaved form: the image itself is the block of indices.
inline Status Lookup(std::int16_t* image, std::int32_t step, ImageSize size,
                     const SampleLookup lookups[3]) {
  using Form = Interleaved;
  const Tables<Form> t = LoadTables<Form>(lookups);
  if (!t.changes) return StatusOk;
  const Form::Matrix none{};
  EachBlock(size.width, size.height, kMapBlock,
            [&](std::int32_t y, std::int32_t x, std::int32_t n) {
              unsigned char* p = PixelAt(image, step, y, x);
              EachStep(n, [&](std::int32_t i, std::int32_t pixels) {
                Write<Form>(Clamp(t, Read<Form, Convert::kNone>(none, p + 6 * i, pixels)),
                            p + 6 * i, pixels);
              });
              if (t.reads) ReadTables(t, reinterpret_cast<std::int16_t*>(p), n);
            });
  return StatusOk;
}

// T, named so that it depends on Dependent: a branch that uses what only some forms have
// then waits for the generic lambda it lies in, where clang 14 would look the names up as
// soon as the form is known, discarded branch or not.
template <class T, class Dependent>
struct DependentType {
  using type = T;
};

template <class Form>
Status MatrixLookup(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                    std::int32_t dstStep, ImageSize size, const float* first,
                    const SampleLookup lookups[3], const float* second) {
  const RoundingScope rounding(kRoundNearest);
  const Tables<Form> t = LoadTables<Form>(lookups);
  const typename Form::Matrix out = Form::LoadMatrix(second);
  return WithMatrix<Form>(first, [&](auto kind, const typename Form::Matrix& in) {
    constexpr Convert kIn = decltype(kind)::value;
    const auto run = [&](auto lean, auto reads) {
      constexpr bool kLean = decltype(lean)::value, kReads = decltype(reads)::value;
      constexpr bool kRelay = Form::kRoundsFloats && kIn != Convert::kNone && !kReads;
      using RelayForm = typename DependentType<Form, decltype(reads)>::type;
      alignas(16) std::int16_t block[kReads ? kSamples * (kMapBlock / kPixels) : 1];
      [[maybe_unused]] const auto relayed = [&] {
        if constexpr (kRelay) {
          std::int16_t lo[3], hi[3];
          for (int c = 0; c < 3; ++c) {
            lo[c] = t.lane[c].lo;
            hi[c] = t.lane[c].hi;
          }
          return RelayForm::PrepareRelay(second, lo, hi);
        } else {
          return 0;
        }
      }();
      EachBlock(size.width, size.height, kMapBlock,
                [&](std::int32_t y, std::int32_t x, std::int32_t n) {
                  const unsigned char* p = PixelAt(src, srcStep, y, x);
                  unsigned char* q = PixelAt(dst, dstStep, y, x);
                  if constexpr (kRelay) {
                    // From one matrix to the other in floats, the clamps of the lookups too.
                    EachStep(n, [&](std::int32_t i, std::int32_t pixels) {
                      const Samples s = ReadSome(p + 6 * i, pixels, [&](const unsigned char* r) {
                        return RelayForm::template Relay<kIn, kLean>(in, relayed, r);
                      });
                      Write<Form>(s, q + 6 * i, pixels);
                    });
                  } else if constexpr (!kReads) {
                    EachStep(n, [&](std::int32_t i, std::int32_t pixels) {
                      const Samples s = Clamp(t, Read<Form, kIn>(in, p + 6 * i, pixels));
                      Write<Form>(Form::template Transform<kLean>(out, s), q + 6 * i, pixels);
                    });
                  } else {
                    // The whole block is read before any of it is written: the rows may be
                    // the same.
                    EachStep(n, [&](std::int32_t i, std::int32_t pixels) {
                      const Samples s = Clamp(t, Read<Form, kIn>(in, p + 6 * i, pixels));
                      StoreVectors(s, reinterpret_cast<unsigned char*>(block + 3 * i));
                    });
                    ReadTables(t, block, n);
                    EachStep(n, [&](std::int32_t i, std::int32_t pixels) {
                      const Samples s =
                          LoadVectors(reinterpret_cast<const unsigned char*>(block + 3 * i));
                      Write<Form>(Form::template Transform<kLean>(out, s), q + 6 * i, pixels);
                    });
                  }
                });
    };
    if (out.lean) {
      t.reads ? run(Constant<true>{}, Constant<true>{}) : run(Constant<true>{}, Constant<false>{});
    } else {
      t.reads ? run(Constant<false>{}, Constant<true>{})
              : run(Constant<false>{}, Constant<false>{});
    }
    return StatusOk;
  });
}

}  // namespace sse_map
}  // namespace
}  // namespace tessaro
