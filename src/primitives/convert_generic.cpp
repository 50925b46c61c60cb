// STUB: replaced by the family's generic implementation
#include "primitives/convert.h"
namespace tessaro::generic {
Status ConvertS16ToF32(const std::int16_t*, std::int32_t, float*, std::int32_t, ImageSize) { return StatusOk; }
Status ConvertF32ToS16(const float*, std::int32_t, std::int16_t*, std::int32_t, ImageSize, RoundMode) { return StatusOk; }
}
