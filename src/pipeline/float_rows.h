// The per-sample stages' row loop: each row of a 16-bit plane widened into a float row of its
// own, rewritten there, and rounded back, rows in parallel.
#pragma once

#include <cstdint>

#include "parallel/parallel.h"
#include "pipeline/frame_memory.h"
#include "primitives/aligned_memory.h"
#include "primitives/convert.h"
#include "primitives/image_rows.h"

namespace tessaro::pipeline {

// rowOp(values, floatStep) rewrites one row of `width` floats; the result is rounded to the
// nearest integer, ties to even, and saturated. A row whose float buffer cannot be had, or
// that does not convert, is left as it was. With a host's frame memory, each chunk of rows
// takes one float row from it for all its rows instead.
template <typename RowOp>
void ForEachFloatRow(std::int16_t* plane, std::int32_t planeStep, std::int32_t width,
                     std::int32_t height, const RowOp& rowOp, FrameMemory* memory = nullptr) {
  const ImageSize rowSize{width, 1};
  if (memory != nullptr) {
    const std::int32_t floatStep = (4 * width + kBlockAlignment - 1) & ~(kBlockAlignment - 1);
    parallel::ParallelFor(
        height,
        [&](std::int32_t begin, std::int32_t end) {
          auto* values = static_cast<float*>(memory->Take(floatStep));
          for (std::int32_t r = begin; r < end && values != nullptr; ++r) {
            std::int16_t* row = RowAt(plane, planeStep, r);
            if (ConvertS16ToF32(row, planeStep, values, floatStep, rowSize) == StatusOk) {
              rowOp(values, floatStep);
              ConvertF32ToS16(values, floatStep, row, planeStep, rowSize, RoundNearestEven);
            }
          }
        },
        parallel::RowGrain(width));
    return;
  }
  parallel::ParallelFor(
      height,
      [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t r = begin; r < end; ++r) {
          std::int16_t* row = RowAt(plane, planeStep, r);
          std::int32_t floatStep = 0;
          float* values = AllocRowsF32(width, 1, &floatStep);
          if (values == nullptr) continue;
          if (ConvertS16ToF32(row, planeStep, values, floatStep, rowSize) == StatusOk) {
            rowOp(values, floatStep);
            ConvertF32ToS16(values, floatStep, row, planeStep, rowSize, RoundNearestEven);
          }
          FreeRows(values);
        }
      },
      parallel::RowGrain(width));
}

}  // namespace tessaro::pipeline
