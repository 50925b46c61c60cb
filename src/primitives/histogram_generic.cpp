// STUB: replaced by the family's generic implementation
#include "primitives/histogram.h"
namespace tessaro::generic {
Status HistogramGetSize(DataType, ImageSize, const std::int32_t*, std::int32_t, std::int32_t, std::int32_t*, std::int32_t*) { return StatusOk; }
Status HistogramInitUniform(DataType, const float*, const float*, const std::int32_t*, std::int32_t, HistogramSpec*) { return StatusOk; }
Status HistogramS16C1(const std::int16_t*, std::int32_t, ImageSize, std::int32_t*, const HistogramSpec*, std::uint8_t*) { return StatusOk; }
Status HistogramGetLevels(const HistogramSpec*, float* const*) { return StatusOk; }
}
