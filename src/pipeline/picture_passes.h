// The passes over hosts' pictures where the host's own codes allow more than reading rows into
// samples. 8-bit RGB worked on in R, G and B: a code c is the sample 16 c, so statistics are
// the codes' and a channel's whole chain is a table of 256 codes. 8-bit RGB worked on in Y, Cb
// and Cr: the exact luma (and colour differences) in vectors, and the change of each as a move
// of R, G and B. YUV worked on in Y, Cb and Cr: statistics from the codes and a table of codes
// per plane. Each gives exactly what reading the rows into samples would give; each returns
// false, with nothing written, when memory is short.
#pragma once

#include <cstdint>

#include "pipeline/frame_map.h"
#include "pipeline/frame_pipeline.h"
#include "pipeline/picture.h"
#include "pipeline/yuv_codes.h"

namespace tessaro::pipeline {

// RGBA or BGRA pictures, worked on in R, G and B.
bool MeasureRgbBytes(const Picture& picture, FrameStats* stats);
bool CountRgbBytes(const Picture& picture, std::int32_t high, const bool channels[3],
                   ChannelCounts* counts);
bool MapRgbBytes(const Picture& picture, const SampleLookup lookups[3]);

// RGBA or BGRA pictures, worked on in Y, Cb and Cr: statistics of the channels asked for.
bool MeasureRgbLuma(const Picture& picture, const bool channels[3], FrameStats* stats);
bool MapRgbLuma(const Picture& picture, const SampleLookup lookups[3]);

// The codes each plane of a YUV picture holds, from its measure pass; lo > hi for a plane not
// measured.
struct CodeRanges {
  std::uint32_t lo[3];
  std::uint32_t hi[3];
};
// YUV pictures worked on in Y, Cb and Cr. The means of the chroma planes are not measured:
// a filter in Y, Cb and Cr takes only the mean of Y. A chroma plane not asked for is not
// measured either (its statistics stay 0), unless its codes are wide; the map pass leaves such
// a plane's codes, and gives up (false) should its lookup change samples after all.
bool MeasureYuvCodes(const Picture& picture, const CodeSamples& luma, const CodeSamples& chroma,
                     const bool channels[3], FrameStats* stats, CodeRanges* ranges);
bool MapYuvCodes(const Picture& picture, const CodeSamples& luma, const CodeSamples& chroma,
                 const CodeRanges& ranges, const SampleLookup lookups[3]);

}  // namespace tessaro::pipeline
