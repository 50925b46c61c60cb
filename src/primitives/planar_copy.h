// Copies between interleaved three-channel images and three one-channel planes.
#pragma once

#include <cstdint>

#include "primitives/status.h"

namespace tessaro {

// planes: three plane pointers sharing planeStep; plane c receives channel c. For both, slots
// may assume the entry's checks passed: no null pointer (the three planes included) and a
// positive size. Steps are not checked.
using SplitS16C3Fn = Status(const std::int16_t* src, std::int32_t srcStep,
                            std::int16_t* const* planes, std::int32_t planeStep, ImageSize size);
using MergeS16C3Fn = Status(const std::int16_t* const* planes, std::int32_t planeStep,
                            std::int16_t* dst, std::int32_t dstStep, ImageSize size);

// The entries (planar_copy.cpp): the argument checks, then the slot CpuPath selects.
SplitS16C3Fn SplitS16C3;
MergeS16C3Fn MergeS16C3;

namespace generic {
SplitS16C3Fn SplitS16C3;
MergeS16C3Fn MergeS16C3;
}  // namespace generic
namespace sse2 {
SplitS16C3Fn SplitS16C3;
MergeS16C3Fn MergeS16C3;
}  // namespace sse2
namespace ssse3 {
MergeS16C3Fn MergeS16C3;
}  // namespace ssse3
namespace sse41 {
SplitS16C3Fn SplitS16C3;
MergeS16C3Fn MergeS16C3;
}  // namespace sse41
namespace avx2 {
SplitS16C3Fn SplitS16C3;
MergeS16C3Fn MergeS16C3;
}  // namespace avx2

}  // namespace tessaro
