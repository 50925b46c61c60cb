// The four-byte pixel kernels one pixel at a time: the reference every vector level is held to.
#include "pipeline/picture_kernels.h"
#include "pipeline/picture_kernels_tail.h"
#include "primitives/image_rows.h"

namespace tessaro::generic {

Status MeasureU8C4(const std::uint8_t* src, std::int32_t step, ImageSize size, ByteStats* stats) {
  ByteStats st{};
  picture_tail::Start(&st);
  for (std::int32_t y = 0; y < size.height; ++y) {
    picture_tail::Measure(RowAt(src, step, y), size.width, &st);
  }
  *stats = st;
  return StatusOk;
}

Status LookupU8C4(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                  std::int32_t dstStep, ImageSize size, const std::uint8_t* const tables[4]) {
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::uint8_t* in = RowAt(src, srcStep, y);
    std::uint8_t* out = RowAt(dst, dstStep, y);
    for (std::int32_t x = 0; x < size.width; ++x, in += 4, out += 4) {
      // The whole pixel is read before it is written: the rows may be the same.
      const std::uint8_t p[4] = {in[0], in[1], in[2], in[3]};
      for (int k = 0; k < 4; ++k) out[k] = tables[k] != nullptr ? tables[k][p[k]] : p[k];
    }
  }
  return StatusOk;
}

Status WeightedSumU8C4(const std::uint8_t* src, std::int32_t n, const std::int32_t weights[4],
                       std::int32_t divisor, std::int16_t* out) {
  picture_tail::WeightedSum(src, n, weights, divisor, out);
  return StatusOk;
}

Status MoveU8C4(const std::uint8_t* src, std::uint8_t* dst, std::int32_t n,
                const std::int16_t* const moves[4]) {
  picture_tail::Move(src, dst, 0, n, moves);
  return StatusOk;
}

}  // namespace tessaro::generic
