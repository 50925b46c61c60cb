// Result codes and the region record shared by every image primitive.
#pragma once

#include <cstdint>

namespace tessaro {

// Signed 32-bit result of every primitive: 0 success, negative error, positive warning.
using Status = std::int32_t;

inline constexpr Status StatusOk = 0;
inline constexpr Status StatusContextError = -5;
inline constexpr Status StatusSizeError = -6;
inline constexpr Status StatusRangeError = -7;
inline constexpr Status StatusNullPointer = -8;
inline constexpr Status StatusDataTypeError = -12;
inline constexpr Status StatusStepError = -14;
inline constexpr Status StatusThresholdError = -18;
inline constexpr Status StatusChannelError = -53;
inline constexpr Status StatusLevelCountError = -107;

inline constexpr Status StatusVendorWarning = 20;
inline constexpr Status StatusNoCpuidWarning = 36;
inline constexpr Status StatusLevelStepWarning = 48;

// The region a primitive works on, in pixels; passed by value, width first.
struct ImageSize {
  std::int32_t width;
  std::int32_t height;
};

}  // namespace tessaro
