// STUB: replaced by the family's generic implementation
#include "primitives/replace_out_of_range.h"
namespace tessaro::generic {
Status ReplaceOutOfRangeS16C1(std::int16_t*, std::int32_t, ImageSize, std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return StatusOk; }
Status ReplaceOutOfRangeF32C1(float*, std::int32_t, ImageSize, float, float, float, float) { return StatusOk; }
}
