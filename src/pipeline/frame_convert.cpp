#include "pipeline/frame_convert.h"

#include "pipeline/frame.h"
#include "pipeline/status_reducer.h"
#include "primitives/arithmetic.h"
#include "primitives/image_rows.h"

namespace tessaro {

namespace {
constexpr float kRgbScale = static_cast<float>(kRgbFullScale);
}  // namespace

// The integer coefficients over 4080; each quotient is the nearest single-precision value.
const float RgbToYcMatrix[12] = {
    1219.0f / kRgbScale, 2401.0f / kRgbScale,  462.0f / kRgbScale,  0.0f,
    -692.0f / kRgbScale, -1357.0f / kRgbScale, 2048.0f / kRgbScale, 0.0f,
    2048.0f / kRgbScale, -1717.0f / kRgbScale, -332.0f / kRgbScale, 0.0f,
};

// The nearest single-precision values to the exact inverse of the matrix above.
const float YcToRgbMatrix[12] = {
    0.999852598f, 0.000977435615f, 1.3973906f,     0.0f,
    0.999252737f, -0.340485334f,   -0.709816873f,  0.0f,
    0.999943376f, 1.76691294f,     0.00184220658f, 0.0f,
};

namespace {

// Row r starts r * step bytes after the base, rounded down to an even count, so that an odd
// step still gives aligned samples.
template <typename T>
T* EvenRowAt(T* base, std::int32_t step, std::int32_t row) {
  return AtBytes(base, static_cast<std::intptr_t>((std::int64_t{row} * step) & ~std::int64_t{1}));
}

Status ConvertWith(const float* matrix, const std::int16_t* src, std::int32_t srcStep,
                   std::int16_t* dst, std::int32_t dstStep, std::int32_t width,
                   std::int32_t height) {
  // Row 0 would report the null pointer; later rows must not be formed from it at all.
  if (height >= 1 && (src == nullptr || dst == nullptr)) return StatusNullPointer;
  return ConvertFrameRows(src, srcStep, dst, dstStep, width, height,
                          [matrix](const std::int16_t* s, std::int32_t ss, std::int16_t* d,
                                   std::int32_t ds, std::int32_t w) {
                            return ColorMatrixS16C3(s, ss, d, ds, ImageSize{w, 1}, matrix);
                          });
}

}  // namespace

Status ConvertFrameRows(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                        std::int32_t dstStep, std::int32_t width, std::int32_t height,
                        parallel::FunctionRef<RowMatrixFn> rowOp) {
  return FirstFailing(
      height,
      [&](std::int32_t r) {
        return rowOp(EvenRowAt(src, srcStep, r), srcStep, EvenRowAt(dst, dstStep, r), dstStep,
                     width);
      },
      parallel::RowGrain(3 * static_cast<std::int64_t>(width)));
}

Status ConvertFrame(const float* matrix, const pipeline::Frame& src, const pipeline::Frame& dst) {
  return ConvertWith(matrix, src.pixels, src.step, dst.pixels, dst.step, src.width, src.height);
}

Status ConvertYcToRgbFrame(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                           std::int32_t dstStep, std::int32_t width, std::int32_t height) {
  return ConvertWith(YcToRgbMatrix, src, srcStep, dst, dstStep, width, height);
}

Status ConvertRgbToYcFrame(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                           std::int32_t dstStep, std::int32_t width, std::int32_t height) {
  return ConvertWith(RgbToYcMatrix, src, srcStep, dst, dstStep, width, height);
}

}  // namespace tessaro
