// SplitS16C3 and MergeS16C3: the entries' argument checks, and exact copies both ways and
// untouched bytes between rows through the entry and every slot.
#include "primitives/planar_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "primitives/slots.h"
#include "support/differential.h"

namespace tessaro {
namespace {

using testing::EntryAndSlots;
using testing::GuardedImage;

constexpr std::int16_t kUntouched = 0x5A5A;

bool AllUntouched(const std::vector<std::int16_t>& v) {
  for (std::int16_t s : v)
    if (s != kUntouched) return false;
  return true;
}

// Each case fails one check, or several (the first decides), for the split and the merge;
// nothing may be written, not even to the planes that are there.
TEST(PlanarCopyEntryTest, RefusesArgumentsInOrderAndWritesNothing) {
  // null: -1 none, 0 the interleaved image, 1 the plane array, 2..4 plane 0..2.
  struct Case {
    int null;
    ImageSize size;
    Status expected;
  };
  // clang-format off
  const Case cases[] = {
      {0, {2, 2}, StatusNullPointer},     {1, {2, 2}, StatusNullPointer},
      {1, {0, 0}, StatusNullPointer},     {2, {2, 2}, StatusNullPointer},
      {3, {2, 2}, StatusNullPointer},     {4, {2, 2}, StatusNullPointer},
      {4, {0, -1}, StatusNullPointer},    {4, {-1, 2}, StatusNullPointer},
      {-1, {0, 2}, StatusSizeError},      {-1, {2, -1}, StatusSizeError},
      {-1, {2, -5}, StatusSizeError},     {-1, {INT32_MIN, 1}, StatusSizeError},
  };
  // clang-format on
  for (const Case& k : cases) {
    SCOPED_TRACE(::testing::Message() << "null " << k.null << " width " << k.size.width);
    std::vector<std::int16_t> image(12, kUntouched);
    std::vector<std::int16_t> p0(4, kUntouched), p1(4, kUntouched), p2(4, kUntouched);
    std::int16_t* planes[3] = {p0.data(), p1.data(), p2.data()};
    if (k.null >= 2) planes[k.null - 2] = nullptr;
    std::int16_t* img = k.null == 0 ? nullptr : image.data();
    std::int16_t* const* arr = k.null == 1 ? nullptr : planes;
    const std::int16_t* const* carr = k.null == 1 ? nullptr : planes;
    EXPECT_EQ(SplitS16C3(img, 12, arr, 4, k.size), k.expected);
    EXPECT_EQ(MergeS16C3(carr, 4, img, 12, k.size), k.expected);
    EXPECT_TRUE(AllUntouched(image) && AllUntouched(p0) && AllUntouched(p1) && AllUntouched(p2));
  }
}

// Each split plane holds its channel exactly, a merge of the planes restores the source, and no
// guard sample moves. Equal plane and pixel padding makes the destination step three times the
// plane step while the planes are not packed: only zero padding on both sides is one long row.
TEST(PlanarCopyTest, SplitThenMergeRoundTrip) {
  struct Case {
    int width, height, planePad, pixelPad;
    bool upward;
  };
  const Case cases[] = {{1, 1, 0, 0, false}, {1, 5, 0, 0, false}, {7, 3, 0, 0, false},
                        {7, 3, 0, 1, false}, {5, 4, 1, 1, false}, {3, 4, 2, 1, true},
                        {33, 2, 3, 2, true}, {64, 3, 0, 0, false}};
  std::mt19937 rng(77);
  const auto splits = EntryAndSlots(SplitS16C3, slots::SplitS16C3);
  const auto merges = EntryAndSlots(MergeS16C3, slots::MergeS16C3);
  for (const Case& k : cases) {
    GuardedImage<std::int16_t> src(k.width, k.height, 3, 3 * k.pixelPad, k.upward);
    src.Fill([&] {
      const std::uint32_t pick = rng() % 4;
      return pick == 0   ? std::int16_t{-32768}
             : pick == 1 ? std::int16_t{32767}
                         : static_cast<std::int16_t>(rng());
    });
    const ImageSize size{k.width, k.height};
    for (std::size_t path = 0; path < splits.size(); ++path) {
      SCOPED_TRACE(::testing::Message() << "width " << k.width << " " << splits[path].name);
      std::vector<GuardedImage<std::int16_t>> planes(
          3, GuardedImage<std::int16_t>(k.width, k.height, 1, k.planePad, k.upward));
      std::int16_t* out[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
      ASSERT_EQ(splits[path].fn(src.data(), src.step(), out, planes[0].step(), size), StatusOk);
      for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(planes[c].GuardsIntact());
        for (int y = 0; y < k.height; ++y)
          for (int x = 0; x < k.width; ++x) ASSERT_EQ(planes[c].at(x, y), src.at(3 * x + c, y));
      }
      GuardedImage<std::int16_t> dst(k.width, k.height, 3, 3 * k.pixelPad, k.upward);
      const std::int16_t* in[3] = {out[0], out[1], out[2]};
      ASSERT_EQ(merges[path].fn(in, planes[0].step(), dst.data(), dst.step(), size), StatusOk);
      EXPECT_TRUE(dst.GuardsIntact());
      for (int y = 0; y < k.height; ++y)
        for (int i = 0; i < 3 * k.width; ++i) ASSERT_EQ(dst.at(i, y), src.at(i, y));
    }
  }
}

}  // namespace
}  // namespace tessaro
