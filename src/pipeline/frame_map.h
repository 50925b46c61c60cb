// The frame pipeline's mapping kernels: one read and one write of an interleaved
// three-channel image takes every sample through its channel's table of values, optionally
// between two colour matrices. A matrix is applied exactly as ColorMatrixS16C3 in the same
// slot applies it. The entries check their arguments in the order given (null image or source,
// output, then the region, then the lookups and the second matrix), so the slots' code may
// assume them valid.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// One channel's table: a sample v becomes values[clamp(v - lo, 0, last)]. Without values, v
// becomes clamp(v, lo, lo + last): the table of that range that maps every value to itself.
struct SampleLookup {
  const std::int16_t* values;
  std::int32_t lo;
  std::int32_t last;
};
// The lookup that leaves its channel as it is.
inline constexpr SampleLookup kUnchanged{nullptr, -32768, 65535};

// Every channel of the image through its lookup, in place.
using LookupS16C3Fn = Status(std::int16_t* image, std::int32_t step, ImageSize size,
                             const SampleLookup lookups[3]);
// dst = second x lookups(first x src), each matrix as ColorMatrixS16C3 takes it; a null
// first matrix looks up the source samples as they are. Source and destination rows may be
// the same memory.
using MatrixLookupS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                                   std::int32_t dstStep, ImageSize size, const float* first,
                                   const SampleLookup lookups[3], const float* second);

LookupS16C3Fn LookupS16C3;
MatrixLookupS16C3Fn MatrixLookupS16C3;

namespace generic {
LookupS16C3Fn LookupS16C3;
MatrixLookupS16C3Fn MatrixLookupS16C3;
}  // namespace generic
namespace sse2 {
LookupS16C3Fn LookupS16C3;
MatrixLookupS16C3Fn MatrixLookupS16C3;
}  // namespace sse2
namespace ssse3 {
MatrixLookupS16C3Fn MatrixLookupS16C3;
}  // namespace ssse3
namespace sse41 {
MatrixLookupS16C3Fn MatrixLookupS16C3;
}  // namespace sse41
namespace avx {
MatrixLookupS16C3Fn MatrixLookupS16C3;
}  // namespace avx

}  // namespace tessaro
