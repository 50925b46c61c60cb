// The generic frame kernels as a chain of the generic colour matrix on short blocks of a row and
// scalar statistics, counts and lookups on the block while it is in cache: the bits of the
// primitive chain they replace. Internal linkage.
#pragma once

#include <cstdint>

#include "pipeline/frame_map.h"
#include "pipeline/frame_measure.h"
#include "primitives/arithmetic.h"
#include "primitives/rounding.h"

namespace tessaro {
namespace {
namespace blocks {

// Pixels per block: 1.5 KiB of samples, well inside the first-level cache.
constexpr std::int32_t kBlockPixels = 256;
constexpr std::int32_t kBlockStep = 6 * kBlockPixels;

// n pixels of src, through the matrix when there is one, as interleaved samples. Returns
// src itself when there is nothing to convert.
template <ColorMatrixS16C3Fn* Matrix>
const std::int16_t* Converted(const std::int16_t* src, std::int32_t n, const float* matrix,
                              std::int16_t* block) {
  if (matrix == nullptr) return src;
  Matrix(src, kBlockStep, block, kBlockStep, ImageSize{n, 1}, matrix);
  return block;
}

// The n pixels of a block, converted, into row x of dst when there is one.
inline void Keep(const std::int16_t* p, std::int32_t n, std::int16_t* dst, std::int32_t dstStep,
                 std::int32_t y, std::int32_t x) {
  if (dst == nullptr) return;
  std::int16_t* out = RowAt(dst, dstStep, y) + 3 * x;
  for (std::int32_t i = 0; i < 3 * n; ++i) out[i] = p[i];
}

// Every block of the region, through the matrix when there is one and kept when there is a
// destination, handed to take(samples, pixels).
template <ColorMatrixS16C3Fn* Matrix, typename Take>
void EachBlock(const std::int16_t* src, std::int32_t srcStep, ImageSize size, const float* matrix,
               std::int16_t* dst, std::int32_t dstStep, Take take) {
  std::int16_t block[3 * kBlockPixels];
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* row = RowAt(src, srcStep, y);
    for (std::int32_t x = 0; x < size.width; x += kBlockPixels) {
      const std::int32_t n = size.width - x < kBlockPixels ? size.width - x : kBlockPixels;
      const std::int16_t* p = Converted<Matrix>(row + 3 * x, n, matrix, block);
      Keep(p, n, dst, dstStep, y, x);
      take(p, n);
    }
  }
}

template <ColorMatrixS16C3Fn* Matrix>
Status Measure(const std::int16_t* src, std::int32_t srcStep, ImageSize size, const float* matrix,
               std::int16_t* dst, std::int32_t dstStep, ChannelStats* stats) {
  std::int16_t first[3];
  const std::int16_t* firstPixel = Converted<Matrix>(src, 1, matrix, first);
  ChannelStats st{};
  for (int c = 0; c < 3; ++c) st.min[c] = st.max[c] = firstPixel[c];
  EachBlock<Matrix>(src, srcStep, size, matrix, dst, dstStep,
                    [&](const std::int16_t* p, std::int32_t n) {
                      for (std::int32_t i = 0; i < 3 * n; i += 3) {
                        for (int c = 0; c < 3; ++c) {
                          const std::int16_t v = p[i + c];
                          st.min[c] = v < st.min[c] ? v : st.min[c];
                          st.max[c] = v > st.max[c] ? v : st.max[c];
                          st.sum[c] += v;
                        }
                      }
                    });
  *stats = st;
  return StatusOk;
}

template <ColorMatrixS16C3Fn* Matrix>
Status Count(const std::int16_t* src, std::int32_t srcStep, ImageSize size, const float* matrix,
             std::int16_t* dst, std::int32_t dstStep, std::int32_t high,
             std::uint32_t* const counts[3]) {
  EachBlock<Matrix>(src, srcStep, size, matrix, dst, dstStep,
                    [&](const std::int16_t* p, std::int32_t n) {
                      for (int c = 0; c < 3; ++c) {
                        std::uint32_t* const bins = counts[c];
                        if (bins == nullptr) continue;
                        for (std::int32_t i = c; i < 3 * n; i += 3) {
                          const std::int32_t v = p[i];
                          ++bins[v < 0 ? 0 : (v > high ? high : v)];
                        }
                      }
                    });
  return StatusOk;
}

inline void LookupBlock(std::int16_t* samples, std::int32_t n, const SampleLookup lookups[3]) {
  for (int c = 0; c < 3; ++c) {
    const SampleLookup t = lookups[c];  // locals: stores to samples cannot alias them
    if (t.values == nullptr) {
      if (t.lo <= -32768 && t.lo + t.last >= 32767) continue;
      for (std::int32_t i = c; i < 3 * n; i += 3) {
        const std::int32_t v = samples[i];
        samples[i] =
            static_cast<std::int16_t>(v < t.lo ? t.lo : (v > t.lo + t.last ? t.lo + t.last : v));
      }
      continue;
    }
    for (std::int32_t i = c; i < 3 * n; i += 3) {
      std::int32_t k = samples[i] - t.lo;
      k = k < 0 ? 0 : (k > t.last ? t.last : k);
      samples[i] = t.values[k];
    }
  }
}

inline Status Lookup(std::int16_t* image, std::int32_t step, ImageSize size,
                     const SampleLookup lookups[3]) {
  for (std::int32_t y = 0; y < size.height; ++y) {
    LookupBlock(RowAt(image, step, y), size.width, lookups);
  }
  return StatusOk;
}

template <ColorMatrixS16C3Fn* Matrix>
Status MatrixLookup(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                    std::int32_t dstStep, ImageSize size, const float* first,
                    const SampleLookup lookups[3], const float* second) {
  std::int16_t block[3 * kBlockPixels];
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::int16_t* in = RowAt(src, srcStep, y);
    std::int16_t* out = RowAt(dst, dstStep, y);
    for (std::int32_t x = 0; x < size.width; x += kBlockPixels) {
      const std::int32_t n = size.width - x < kBlockPixels ? size.width - x : kBlockPixels;
      // The whole block is read before any of it is written: the rows may be the same.
      if (first != nullptr) {
        Matrix(in + 3 * x, kBlockStep, block, kBlockStep, ImageSize{n, 1}, first);
      } else {
        for (std::int32_t i = 0; i < 3 * n; ++i) block[i] = in[3 * x + i];
      }
      LookupBlock(block, n, lookups);
      Matrix(block, kBlockStep, out + 3 * x, kBlockStep, ImageSize{n, 1}, second);
    }
  }
  return StatusOk;
}

}  // namespace blocks
}  // namespace
}  // namespace tessaro
