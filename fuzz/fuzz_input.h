// What every fuzz target shares: values taken from the fuzzer's bytes, image buffers sized
// exactly from a region's width, height and step, and a run of each code path the processor has.
#pragma once

#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "primitives/cpu.h"
#include "primitives/dispatch.h"

// A broken promise of a primitive or filter: report it as a crash with its input.
#define TESSARO_FUZZ_CHECK(cond)                                                    \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace tessaro::fuzz {

// Largest image span a target lets a primitive touch; bigger regions are skipped.
inline constexpr std::int64_t kMaxSpanBytes = 1 << 20;

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bit() { return (Byte() & 1) != 0; }
  std::int32_t Int32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return static_cast<std::int32_t>(v);
  }
  float Float() {
    const std::int32_t bits = Int32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  // Mostly small, sometimes zero or negative, now and then any 32-bit value.
  std::int32_t Dimension(std::int32_t small) {
    const std::uint8_t b = Byte();
    if (b >= 248) return Int32();
    return static_cast<std::int32_t>(b % (small + 3)) - 2;
  }
  // The region of a primitive target: up to 300 x 40, sometimes empty, negative or huge.
  ImageSize Region() { return {Dimension(300), Dimension(40)}; }
  // A step near the packed one (padded, overlapping, backwards or tiny), or any value; always
  // a whole number of samples, as every caller passes.
  std::int32_t Step(std::int64_t packed, std::int32_t sampleBytes) {
    const std::uint8_t b = Byte();
    std::int64_t s;
    if (b >= 248) {
      s = Int32();
    } else {
      const std::int64_t off = (b & 0x3f) * sampleBytes;
      switch (b >> 6) {
        case 0:
          s = packed + off;
          break;
        case 1:
          s = packed - off;
          break;
        case 2:
          s = -(packed + off);
          break;
        default:
          s = off;
          break;
      }
    }
    s -= s % sampleBytes;
    if (s > std::numeric_limits<std::int32_t>::max() ||
        s < std::numeric_limits<std::int32_t>::min())
      return 0;
    return static_cast<std::int32_t>(s);
  }
  std::size_t remaining() const { return size_ - pos_; }
  const std::uint8_t* rest() const { return data_ + pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// The bytes rows 0..height-1 of rowBytes each at the given step cover, relative to row 0;
// false when the region is empty or larger than a target allows.
struct Span {
  std::int64_t first = 0;
  std::int64_t bytes = 0;
};
inline bool RegionSpan(std::int32_t width, std::int32_t height, std::int32_t step,
                       std::int64_t bytesPerPixel, Span* span) {
  if (width <= 0 || height <= 0) return false;
  // Rows may repeat one another (step 0): bound the work too, not only the memory.
  if (std::int64_t{width} * height > kMaxSpanBytes) return false;
  const std::int64_t rowBytes = width * bytesPerPixel;
  const std::int64_t last = static_cast<std::int64_t>(height - 1) * step;
  const std::int64_t lo = last < 0 ? last : 0;
  const std::int64_t hi = (last > 0 ? last : 0) + rowBytes;
  if (hi - lo > kMaxSpanBytes) return false;
  *span = {lo, hi - lo};
  return true;
}

// A buffer holding exactly a region's span, filled from the input; every byte outside it is
// poisoned, so any access beyond the region is reported.
class Image {
 public:
  // An empty region still gets a (poisoned) buffer: nothing may be touched for it.
  Image(Input& in, ImageSize size, std::int32_t step, std::int64_t bytesPerPixel) {
    Span span;
    valid_ = RegionSpan(size.width, size.height, step, bytesPerPixel, &span);
    tooLarge_ = !valid_ && size.width > 0 && size.height > 0;
    const std::int64_t bytes = valid_ ? span.bytes : 0;
    storage_.resize(static_cast<std::size_t>(bytes + 2 * kGuard));
    for (std::int64_t i = 0; i < bytes; ++i) storage_[kGuard + i] = in.Byte();
    ASAN_POISON_MEMORY_REGION(storage_.data(), kGuard);
    ASAN_POISON_MEMORY_REGION(storage_.data() + kGuard + bytes, kGuard);
    origin_ = storage_.data() + kGuard - (valid_ ? span.first : 0);
    bytes_ = bytes;
    original_ = Bytes();
  }
  ~Image() { ASAN_UNPOISON_MEMORY_REGION(storage_.data(), storage_.size()); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  bool valid() const { return valid_; }
  // A region beyond the span a target allows: the input is skipped.
  bool tooLarge() const { return tooLarge_; }
  template <typename T>
  T* at() {
    return reinterpret_cast<T*>(origin_);
  }
  // The region's bytes, for comparing what different code paths wrote.
  std::vector<std::uint8_t> Bytes() const {
    const std::uint8_t* start = storage_.data() + kGuard;
    return {start, start + bytes_};
  }
  void Restore(const std::vector<std::uint8_t>& bytes) {
    if (!bytes.empty()) std::memcpy(storage_.data() + kGuard, bytes.data(), bytes.size());
  }
  // The contents the input gave, back again; and whether they are still there.
  void Restore() { Restore(original_); }
  bool Unchanged() const { return Bytes() == original_; }

 private:
  static constexpr std::int64_t kGuard = 64;
  std::vector<std::uint8_t> storage_;
  std::uint8_t* origin_ = nullptr;
  std::int64_t bytes_ = 0;
  std::vector<std::uint8_t> original_;
  bool valid_ = false;
  bool tooLarge_ = false;
};

// Rows that overlap are written in an order each code path may choose.
inline bool RowsDisjoint(std::int32_t step, std::int64_t rowBytes) {
  return step >= rowBytes || -static_cast<std::int64_t>(step) >= rowBytes;
}

// Calls run(path) with the dispatch switched to each path up to the processor's own.
template <typename Run>
void ForEachPath(Run run) {
  static const std::int32_t best = [] {
    InitPrimitives();
    return CpuPath.load();
  }();
  for (std::int32_t path = 0; path <= best; ++path) {
    CpuPath.store(path);
    run(path);
  }
  CpuPath.store(best);
}

// Runs `run()` on every path, each time from the images' original contents, and checks that
// every path returns what the generic code returned: one value (compared with ==) holding the
// status and whatever else the paths must agree on.
template <typename Run>
void ExpectPathsLikeGeneric(std::initializer_list<Image*> images, Run run) {
  std::optional<decltype(run())> generic;
  ForEachPath([&](std::int32_t path) {
    for (Image* image : images) image->Restore();
    auto result = run();
    if (path == 0) {
      generic.emplace(std::move(result));
      return;
    }
    if (!(result == *generic)) std::fprintf(stderr, "path %d parts from the generic code\n", path);
    TESSARO_FUZZ_CHECK(result == *generic);
  });
}
template <typename Run>
void ExpectPathsLikeGeneric(Run run) {
  ExpectPathsLikeGeneric({}, run);
}

}  // namespace tessaro::fuzz
