// Whole-frame conversions between the host's YCbCr samples and RGB on the 0..4080 scale,
// one colour-matrix call per row, rows in parallel.
#pragma once

#include <cstdint>

#include "parallel/parallel.h"
#include "pipeline/frame.h"
#include "primitives/status.h"

namespace tessaro {

// Row-major 3 x 4: weights of input samples 0, 1, 2, then the offset.
extern const float YcToRgbMatrix[12];
extern const float RgbToYcMatrix[12];

// Interleaved three-sample pixels; row r starts r * step bytes (rounded down to even) after
// the base. Source and destination are different buffers. Returns StatusOk or the status
// of the lowest-numbered failing row; every row is attempted.
Status ConvertYcToRgbFrame(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                           std::int32_t dstStep, std::int32_t width, std::int32_t height);
Status ConvertRgbToYcFrame(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                           std::int32_t dstStep, std::int32_t width, std::int32_t height);

// src through a matrix into dst, of src's size: as the two above with either matrix.
Status ConvertFrame(const float* matrix, const pipeline::Frame& src, const pipeline::Frame& dst);

using RowMatrixFn = Status(const std::int16_t* srcRow, std::int32_t srcStep, std::int16_t* dstRow,
                           std::int32_t dstStep, std::int32_t width);

// The shared loop, with the per-row operation as a parameter so tests can fail chosen rows.
Status ConvertFrameRows(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                        std::int32_t dstStep, std::int32_t width, std::int32_t height,
                        parallel::FunctionRef<RowMatrixFn> rowOp);

}  // namespace tessaro
