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

namespace {

// The table that leaves a byte as it is, for positions without one: every byte then takes one
// load, with no test.
constexpr struct Identity {
  std::uint8_t bytes[256];
  constexpr Identity() : bytes{} {
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<std::uint8_t>(i);
  }
} kIdentity;

}  // namespace

Status LookupU8C4(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                  std::int32_t dstStep, ImageSize size, const std::uint8_t* const tables[4]) {
  const std::uint8_t* t[4];
  for (int k = 0; k < 4; ++k) t[k] = tables[k] != nullptr ? tables[k] : kIdentity.bytes;
  for (std::int32_t y = 0; y < size.height; ++y) {
    const std::uint8_t* in = RowAt(src, srcStep, y);
    std::uint8_t* out = RowAt(dst, dstStep, y);
    for (std::int32_t x = 0; x < size.width; ++x, in += 4, out += 4) {
      // The whole pixel is read before it is written: the rows may be the same.
      const std::uint8_t a = in[0], b = in[1], c = in[2], d = in[3];
      out[0] = t[0][a];
      out[1] = t[1][b];
      out[2] = t[2][c];
      out[3] = t[3][d];
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
