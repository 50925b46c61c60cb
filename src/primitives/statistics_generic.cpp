// STUB: replaced by the family's generic implementation
#include "primitives/statistics.h"
namespace tessaro::generic {
Status MeanS16C3(const std::int16_t*, std::int32_t, ImageSize, double*) { return StatusOk; }
Status MinMaxS16C3(const std::int16_t*, std::int32_t, ImageSize, std::int16_t*, std::int16_t*) { return StatusOk; }
}
