// SplitS16C3 and MergeS16C3: argument checks, exact copies both ways and untouched bytes
// between rows, through the entry and every slot.
#include "primitives/planar_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "primitives/slots.h"
#include "support/slot_paths.h"

namespace tessaro {
namespace {

using testing::GuardedRows;
using testing::Paths;

constexpr std::int16_t kGuard = testing::kGuardSample;

bool AllGuard(const std::vector<std::int16_t>& v) {
  for (std::int16_t s : v)
    if (s != kGuard) return false;
  return true;
}

TEST(PlanarCopyTest, ArgumentChecksInOrderAndNoWriteOnFailure) {
  // null: -1 none, 0 the interleaved image, 1 the plane array, 2..4 plane 0..2.
  struct Case {
    int null;
    ImageSize size;
    Status expected;
  };
  const Case cases[] = {
      {0, {2, 2}, StatusNullPointer},        {1, {2, 2}, StatusNullPointer},
      {2, {2, 2}, StatusNullPointer},        {3, {2, 2}, StatusNullPointer},
      {4, {2, 2}, StatusNullPointer},        {4, {0, -1}, StatusNullPointer},
      {-1, {0, 2}, StatusSizeError},         {-1, {2, -1}, StatusSizeError},
      {-1, {INT32_MIN, 1}, StatusSizeError},
  };
  for (const Case& k : cases) {
    std::vector<std::int16_t> image(12, kGuard);
    std::vector<std::int16_t> p0(4, kGuard), p1(4, kGuard), p2(4, kGuard);
    std::int16_t* planes[3] = {p0.data(), p1.data(), p2.data()};
    if (k.null >= 2) planes[k.null - 2] = nullptr;
    std::int16_t* img = k.null == 0 ? nullptr : image.data();
    std::int16_t* const* arr = k.null == 1 ? nullptr : planes;
    const std::int16_t* const* carr = k.null == 1 ? nullptr : planes;
    for (auto* split : Paths(SplitS16C3, slots::SplitS16C3))
      EXPECT_EQ(split(img, 12, arr, 4, k.size), k.expected) << k.null;
    for (auto* merge : Paths(MergeS16C3, slots::MergeS16C3))
      EXPECT_EQ(merge(carr, 4, img, 12, k.size), k.expected) << k.null;
    EXPECT_TRUE(AllGuard(image) && AllGuard(p0) && AllGuard(p1) && AllGuard(p2)) << k.null;
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
  for (const Case& k : cases) {
    GuardedRows src(3 * k.width, k.height, 3 * k.pixelPad, k.upward);
    for (int y = 0; y < k.height; ++y)
      for (int i = 0; i < 3 * k.width; ++i) {
        const std::uint32_t pick = rng() % 4;
        src.at(i, y) = pick == 0 ? -32768 : pick == 1 ? 32767 : static_cast<std::int16_t>(rng());
      }
    const ImageSize size{k.width, k.height};
    for (std::size_t impl = 0; impl < 1 + slots::SplitS16C3.size(); ++impl) {
      SCOPED_TRACE(::testing::Message() << "width " << k.width << " impl " << impl);
      auto* split = Paths(SplitS16C3, slots::SplitS16C3)[impl];
      auto* merge = Paths(MergeS16C3, slots::MergeS16C3)[impl];
      std::vector<GuardedRows> planes(3, GuardedRows(k.width, k.height, k.planePad, k.upward));
      std::int16_t* out[3] = {planes[0].base(), planes[1].base(), planes[2].base()};
      ASSERT_EQ(split(src.base(), src.step, out, planes[0].step, size), StatusOk);
      for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(planes[c].GuardsIntact());
        for (int y = 0; y < k.height; ++y)
          for (int x = 0; x < k.width; ++x) ASSERT_EQ(planes[c].at(x, y), src.at(3 * x + c, y));
      }
      GuardedRows dst(3 * k.width, k.height, 3 * k.pixelPad, k.upward);
      const std::int16_t* in[3] = {out[0], out[1], out[2]};
      ASSERT_EQ(merge(in, planes[0].step, dst.base(), dst.step, size), StatusOk);
      EXPECT_TRUE(dst.GuardsIntact());
      for (int y = 0; y < k.height; ++y)
        for (int i = 0; i < 3 * k.width; ++i) ASSERT_EQ(dst.at(i, y), src.at(i, y));
    }
  }
}

}  // namespace
}  // namespace tessaro
