// The slot harness: how a test reaches a primitive (its entry, or one slot of its table that this
// processor can run), seeded random images surrounded by guard bytes, and the differential loop
// that runs every slot against the generic slot. Slots are called with valid arguments only:
// the refusals are the entry's, tested once per primitive.
#pragma once

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "primitives/cpu.h"
#include "primitives/dispatch.h"
#include "primitives/status.h"

namespace tessaro::testing {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The highest code path this processor can run; slots above it are skipped.
inline std::int32_t HighestRunnableSlot() {
  CpuFeatureMask mask = 0;
  return GetCpuFeatures(&mask) == StatusOk ? ChooseCpuPath(mask) : 0;
}

// A primitive as a test calls it, with the name a failure reports.
template <typename Fn>
struct Path {
  Fn* fn;
  std::string name;  // "entry" or "slot N"
};

// The slots of `table` from `first` to `last` that this processor can run.
template <typename Fn>
std::vector<Path<Fn>> Slots(const SlotTable<Fn>& table, std::int32_t first = 0,
                            std::int32_t last = kPathCount - 1) {
  std::vector<Path<Fn>> paths;
  for (std::int32_t slot = first; slot <= last && slot <= HighestRunnableSlot(); ++slot) {
    paths.push_back({table[static_cast<std::size_t>(slot)], "slot " + std::to_string(slot)});
  }
  return paths;
}

// The entry, then every slot this processor can run: for known answers on valid arguments,
// which the entry must pass on unchanged and every slot must give.
template <typename Fn>
std::vector<Path<Fn>> EntryAndSlots(Fn* entry, const SlotTable<Fn>& table) {
  std::vector<Path<Fn>> paths{{entry, "entry"}};
  for (Path<Fn>& slot : Slots(table)) paths.push_back(std::move(slot));
  return paths;
}

// The code between construction and destruction runs on one slot, as after InitPrimitives on a
// processor that gets that code path.
class ScopedSlot {
 public:
  explicit ScopedSlot(std::int32_t slot) : saved_(CpuPath.load()) { CpuPath.store(slot); }
  ~ScopedSlot() { CpuPath.store(saved_); }
  ScopedSlot(const ScopedSlot&) = delete;
  ScopedSlot& operator=(const ScopedSlot&) = delete;

 private:
  std::int32_t saved_;
};

// Small, fast and the same on every target, so a printed seed replays anywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 16);
  }
  // Uniform in [lo, hi].
  std::int32_t Range(std::int32_t lo, std::int32_t hi) {
    return lo + static_cast<std::int32_t>(Next() % static_cast<std::uint32_t>(hi - lo + 1));
  }
  bool OneIn(std::uint32_t n) { return Next() % n == 0; }

 private:
  std::uint64_t state_;
};

// How the samples of one image are drawn: runs of the extremes and of zeros, alternating
// low and high, small values, and uniform noise.
enum class Fill { kUniform, kExtremes, kSmall, kMixed };

inline std::int16_t RandomS16(Random& rng, Fill fill) {
  switch (fill) {
    case Fill::kExtremes: {
      static constexpr std::int16_t kEdges[] = {-32768, -32767, -1, 0, 1, 32766, 32767};
      return kEdges[rng.Next() % 7];
    }
    case Fill::kSmall:
      return static_cast<std::int16_t>(rng.Range(-4200, 4200));
    case Fill::kMixed:
      return rng.OneIn(3) ? RandomS16(rng, Fill::kExtremes) : RandomS16(rng, Fill::kSmall);
    case Fill::kUniform:
      break;
  }
  return static_cast<std::int16_t>(rng.Next());
}

// Floats that probe rounding: halves and their neighbours, signed zeros, values beyond the
// 16-bit range, infinities and not-a-number.
inline float RandomF32(Random& rng, Fill fill, bool withNonFinite) {
  const std::uint32_t pick = rng.Next() % 10;
  if (fill == Fill::kUniform || pick < 3) {
    return static_cast<float>(rng.Range(-40000, 40000)) +
           static_cast<float>(rng.Next() % 1024) / 1024.0f;
  }
  const float half = static_cast<float>(rng.Range(-33000, 33000)) + 0.5f;
  switch (pick) {
    case 3:
      return half;
    case 4:
      return std::nextafter(half, 0.0f);
    case 5:
      return std::nextafter(half, half > 0 ? 1e9f : -1e9f);
    case 6:
      return rng.OneIn(2) ? 0.0f : -0.0f;
    case 7:
      return static_cast<float>(rng.Range(-1, 1)) * 0.49999997f;
    case 8:
      if (withNonFinite) {
        const float specials[] = {std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(),
                                  std::numeric_limits<float>::quiet_NaN()};
        return specials[rng.Next() % 3];
      }
      return 32767.0f + static_cast<float>(rng.Range(-2, 2)) * 0.25f;
    default:
      return -32768.0f + static_cast<float>(rng.Range(-2, 2)) * 0.25f;
  }
}

// An image of width x height samples of channels x T with a padded step, inside a block
// with guard bytes before, between and after the rows. An upward image stores its rows bottom
// up: data() is row 0, and the step is negative.
template <typename T>
class GuardedImage {
 public:
  static constexpr std::uint8_t kGuard = 0xA5;

  GuardedImage(std::int32_t width, std::int32_t height, std::int32_t channels,
               std::int32_t padSamples, bool upward = false)
      : width_(width), height_(height), channels_(channels), upward_(upward) {
    stride_ = static_cast<std::int32_t>(sizeof(T)) * (width * channels + padSamples);
    lead_ = 64 + static_cast<std::int32_t>(sizeof(T)) * padSamples;  // also shifts alignment
    bytes_.assign(static_cast<std::size_t>(lead_ + stride_ * height + 64), kGuard);
  }

  T* data() { return &at(0, 0); }
  std::int32_t step() const { return upward_ ? -stride_ : stride_; }
  // Sample x of row y; x may reach into the padding after the row.
  T& at(std::int32_t x, std::int32_t y) {
    const std::int32_t row = upward_ ? height_ - 1 - y : y;
    return *reinterpret_cast<T*>(bytes_.data() + lead_ + row * stride_ +
                                 static_cast<std::int32_t>(sizeof(T)) * x);
  }
  const T& at(std::int32_t x, std::int32_t y) const {
    return const_cast<GuardedImage*>(this)->at(x, y);
  }
  template <typename Gen>
  void Fill(Gen&& gen) {
    for (std::int32_t y = 0; y < height_; ++y) {
      for (std::int32_t x = 0; x < width_ * channels_; ++x) at(x, y) = gen();
    }
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::int32_t channels() const { return channels_; }
  // Whether every byte outside the region still holds the guard.
  bool GuardsIntact() const {
    GuardedImage guards = *this;
    for (std::int32_t y = 0; y < height_; ++y) {
      std::memset(&guards.at(0, y), kGuard,
                  sizeof(T) * static_cast<std::size_t>(width_ * channels_));
    }
    for (const std::uint8_t b : guards.bytes_) {
      if (b != kGuard) return false;
    }
    return true;
  }

 private:
  std::int32_t width_, height_, channels_;
  bool upward_;
  std::int32_t stride_ = 0, lead_ = 0;
  std::vector<std::uint8_t> bytes_;
};

// First differing byte, or -1.
inline std::ptrdiff_t FirstDifference(const std::vector<std::uint8_t>& a,
                                      const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

// A sample's value and bits, which tell -0.0 from +0.0 and one not-a-number from another.
template <typename T>
std::string SampleText(T v) {
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &v, sizeof v);
  std::string text = ::testing::PrintToString(+v) + " (0x";
  for (std::size_t i = sizeof(T); i-- > 0;) {
    text += "0123456789ABCDEF"[bytes[i] >> 4];
    text += "0123456789ABCDEF"[bytes[i] & 15];
  }
  return text + ")";
}

// Whether `got` equals `want` byte for byte outside the region (guards and padding) and,
// inside it, wherever agree(wanted sample, got sample, x, y) holds, x counting samples along
// the row: a primitive whose slots may differ states in `agree` exactly how. The failure names
// the first sample or byte that breaks the rule.
template <typename T, typename Agree>
::testing::AssertionResult ImagesAgree(const GuardedImage<T>& want, const GuardedImage<T>& got,
                                       Agree agree) {
  if (want.bytes().size() != got.bytes().size()) {
    return ::testing::AssertionFailure() << "the images are laid out differently";
  }
  GuardedImage<T> patched = got;  // got with the region taken from want, to compare the rest
  for (std::int32_t y = 0; y < want.height(); ++y) {
    for (std::int32_t x = 0; x < want.width() * want.channels(); ++x) {
      T w, g;
      std::memcpy(&w, &want.at(x, y), sizeof w);
      std::memcpy(&g, &patched.at(x, y), sizeof g);
      if (!agree(w, g, x, y)) {
        return ::testing::AssertionFailure() << "sample " << x << " of row " << y << ": want "
                                             << SampleText(w) << ", got " << SampleText(g);
      }
      std::memcpy(&patched.at(x, y), &w, sizeof w);
    }
  }
  if (const std::ptrdiff_t byte = FirstDifference(want.bytes(), patched.bytes()); byte >= 0) {
    return ::testing::AssertionFailure() << "byte " << byte << " outside the region differs";
  }
  return ::testing::AssertionSuccess();
}

// Widths from 1 to a few vectors past the widest register, and a few large ones.
inline std::vector<std::int32_t> DifferentialWidths() {
  std::vector<std::int32_t> w;
  for (std::int32_t i = 1; i <= 67; ++i) w.push_back(i);
  for (std::int32_t i : {127, 128, 129, 255, 1000, 1920}) w.push_back(i);
  return w;
}

// One case of a differential test: the slot under test, the region, and the seed that
// replays every input drawn from `rng`.
struct SlotCase {
  std::int32_t slot;
  std::uint64_t seed;
  ImageSize size;
  Fill fill;   // how this case draws its samples
  Random rng;  // seeded from `seed`

  // A padding in samples, drawn afresh for each image so that steps differ between images.
  std::int32_t Pad() { return rng.Range(0, 9); }
  // A guarded image of the case's size with `channels` samples per pixel and its own
  // padding, filled with this case's samples.
  GuardedImage<std::int16_t> S16(std::int32_t channels) {
    GuardedImage<std::int16_t> image(size.width, size.height, channels, Pad());
    image.Fill([&] { return RandomS16(rng, fill); });
    return image;
  }
  GuardedImage<float> F32(std::int32_t channels, bool withNonFinite) {
    GuardedImage<float> image(size.width, size.height, channels, Pad());
    image.Fill([&] { return RandomF32(rng, fill, withNonFinite); });
    return image;
  }
};

// Which cases a differential test runs.
struct SlotSweep {
  std::int32_t firstSlot = 1;  // 0: the generic slot against its reference too
  std::vector<std::int32_t> heights = {1, 3};
  std::vector<std::int32_t> widths = DifferentialWidths();
  // Sizes run after the grid of widths x heights; with no widths, these alone.
  std::vector<ImageSize> sizes = {};
};

// The differential harness: body(SlotCase&) makes the case's inputs, runs the slot and the
// reference, and checks what equality means for the primitive. It runs for every slot this
// processor has from sweep.firstSlot up, every width and height, each case with a seed of its
// own and a fill that cycles through uniform, extreme, small and mixed samples; a failure
// names the primitive, the slot, the size and the seed that replays it.
template <typename Body>
void ForEverySlot(const char* primitive, Body body, const SlotSweep& sweep = {}) {
  static constexpr Fill kFills[] = {Fill::kUniform, Fill::kExtremes, Fill::kSmall, Fill::kMixed};
  std::vector<ImageSize> sizes;
  for (const std::int32_t width : sweep.widths) {
    for (const std::int32_t height : sweep.heights) sizes.push_back({width, height});
  }
  sizes.insert(sizes.end(), sweep.sizes.begin(), sweep.sizes.end());
  std::uint64_t seed = 0;
  for (std::int32_t slot = sweep.firstSlot; slot <= HighestRunnableSlot(); ++slot) {
    for (const ImageSize size : sizes) {
      ++seed;
      SlotCase c{slot, seed, size, kFills[seed % 4], Random(seed)};
      SCOPED_TRACE(::testing::Message() << primitive << ": slot " << slot << ", " << size.width
                                        << " x " << size.height << ", seed " << seed);
      body(c);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

// Which rounding the SSE unit applies now, read from three additions that differ by mode.
inline int ProbeRounding() {
  volatile float one = 1.0f, tiny = 0x1p-30f;
  const float up = one + tiny, down = -one - tiny, under = one - tiny;
  if (up > 1.0f) return FE_UPWARD;
  if (down < -1.0f) return FE_DOWNWARD;
  return under < 1.0f ? FE_TOWARDZERO : FE_TONEAREST;
}

}  // namespace tessaro::testing
