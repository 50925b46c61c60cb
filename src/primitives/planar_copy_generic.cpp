// STUB: replaced by the family's generic implementation
#include "primitives/planar_copy.h"
namespace tessaro::generic {
Status SplitS16C3(const std::int16_t*, std::int32_t, std::int16_t* const*, std::int32_t, ImageSize) { return StatusOk; }
Status MergeS16C3(const std::int16_t* const*, std::int32_t, std::int16_t*, std::int32_t, ImageSize) { return StatusOk; }
}
