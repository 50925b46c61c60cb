// Row addressing of images given as a base pointer and a signed byte step. Internal linkage on
// purpose: a file compiled for a higher instruction set must never lend its copy to the rest
// of the program.
#pragma once

#include <cstdint>
#include <type_traits>

namespace tessaro {
namespace {

// The element `bytes` bytes after base (before it, when negative).
template <typename T>
inline T* AtBytes(T* base, std::intptr_t bytes) {
  using Byte = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + bytes);
}

// Row y of an image whose rows lie step bytes apart; a negative step runs upwards.
template <typename T>
inline T* RowAt(T* base, std::int32_t step, std::int32_t y) {
  return AtBytes(base, static_cast<std::intptr_t>(step) * y);
}

}  // namespace
}  // namespace tessaro
