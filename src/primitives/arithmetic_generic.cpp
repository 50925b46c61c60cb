// STUB: replaced by the family's generic implementation
#include "primitives/arithmetic.h"
namespace tessaro::generic {
Status ColorMatrixS16C3(const std::int16_t*, std::int32_t, std::int16_t*, std::int32_t, ImageSize, const float*) { return StatusOk; }
Status SubConstS16C1(std::int32_t, std::int16_t*, std::int32_t, ImageSize, std::int32_t) { return StatusOk; }
}
