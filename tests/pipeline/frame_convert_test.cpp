#include "pipeline/frame_convert.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "pipeline/status_reducer.h"

namespace tessaro {
namespace {

TEST(FrameConvertTest, MatricesHoldTheNearestSingleValues) {
  // The Y, Cb, Cr rows of the RGB-to-YC matrix, rounded to single precision.
  const float rgbToYc[9] = {0.298774511f, 0.588480413f, 0.113235295f,  -0.169607848f, -0.332598031f,
                            0.501960814f, 0.501960814f, -0.420833319f, -0.0813725516f};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(RgbToYcMatrix[(i / 3) * 4 + i % 3], rgbToYc[i]) << i;
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(RgbToYcMatrix[row * 4 + 3], 0.0f);
    EXPECT_EQ(YcToRgbMatrix[row * 4 + 3], 0.0f);
  }
  // The YC-to-RGB matrix inverts the other one to within single precision.
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 3; ++k) {
        sum += static_cast<double>(YcToRgbMatrix[i * 4 + k]) * RgbToYcMatrix[k * 4 + j];
      }
      EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-6) << i << j;
    }
  }
}

TEST(FrameConvertTest, GreyPixelsAndPaddingBetweenRows) {
  // Width 2, rows of 3 pixels: the third pixel of every row is padding.
  constexpr int kW = 2, kH = 2, kRow = 3;
  const std::int16_t y[kH][kW] = {{0, 4080}, {2040, -4080}};
  std::vector<std::int16_t> yc(kRow * 3 * kH, 77), rgb(kRow * 3 * kH, -5);
  for (int r = 0; r < kH; ++r) {
    for (int x = 0; x < kW; ++x) {
      yc[static_cast<std::size_t>((r * kRow + x) * 3)] = y[r][x];
      yc[static_cast<std::size_t>((r * kRow + x) * 3 + 1)] = 0;
      yc[static_cast<std::size_t>((r * kRow + x) * 3 + 2)] = 0;
    }
  }
  ASSERT_EQ(ConvertYcToRgbFrame(yc.data(), kRow * 6, rgb.data(), kRow * 6, kW, kH), StatusOk);
  const double weights[3] = {0.999852598, 0.999252737, 0.999943376};
  for (int r = 0; r < kH; ++r) {
    for (int x = 0; x < kRow; ++x) {
      for (int c = 0; c < 3; ++c) {
        const std::int16_t got = rgb[static_cast<std::size_t>((r * kRow + x) * 3 + c)];
        if (x >= kW) {
          EXPECT_EQ(got, -5);
        } else {
          EXPECT_EQ(got, std::nearbyint(weights[c] * y[r][x])) << r << x << c;
        }
      }
    }
  }
  // Y = 4080 gives (4079, 4077, 4080); back again, equal R, G, B of 4080 give (4082, -1, -1).
  EXPECT_EQ(rgb[3], 4079);
  EXPECT_EQ(rgb[4], 4077);
  EXPECT_EQ(rgb[5], 4080);
  const std::int16_t white[3] = {4080, 4080, 4080};
  std::int16_t out[3] = {};
  ASSERT_EQ(ConvertRgbToYcFrame(white, 6, out, 6, 1, 1), StatusOk);
  EXPECT_EQ(out[0], 4082);
  EXPECT_EQ(out[1], -1);
  EXPECT_EQ(out[2], -1);
}

TEST(FrameConvertTest, SizeAndPointerFailures) {
  std::int16_t src[6] = {1, 2, 3, 4, 5, 6}, dst[6] = {9, 9, 9, 9, 9, 9};
  EXPECT_EQ(ConvertYcToRgbFrame(src, 6, dst, 6, 1, 0), StatusOk);
  EXPECT_EQ(ConvertYcToRgbFrame(src, 6, dst, 6, 0, 1), StatusSizeError);
  EXPECT_EQ(ConvertRgbToYcFrame(src, 6, dst, 6, -3, 2), StatusSizeError);
  EXPECT_EQ(ConvertRgbToYcFrame(nullptr, 6, dst, 6, 1, 2), StatusNullPointer);
  for (std::int16_t v : dst) EXPECT_EQ(v, 9);
}

TEST(FrameConvertTest, LowestFailingRowWinsWhateverOrderRowsRun) {
  constexpr int kRows = 64;
  std::vector<int> attempts(kRows, 0);
  std::vector<std::int16_t> src(kRows * 3), dst(kRows * 3);
  const Status status = ConvertFrameRows(
      src.data(), 6, dst.data(), 6, 1, kRows,
      [&](const std::int16_t* s, std::int32_t, std::int16_t*, std::int32_t, std::int32_t) {
        const int row = static_cast<int>((s - src.data()) / 3);
        attempts[static_cast<std::size_t>(row)]++;
        // Row 7 finishes early, row 3 late.
        if (row == 3) std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (row == 3) return StatusStepError;
        if (row == 7) return StatusNullPointer;
        if (row == 50) return StatusSizeError;
        return StatusOk;
      });
  EXPECT_EQ(status, StatusStepError);
  for (int a : attempts) EXPECT_EQ(a, 1);
}

// Whatever views are empty and in whatever grouping they merge, the first failure of the
// leftmost view that has one comes first.
TEST(FrameConvertTest, ReducerViewsMergeInOrder) {
  auto view = [](std::initializer_list<Status> failures) {
    StatusReducer r;
    for (Status s : failures) r.Append(s);
    return r;
  };
  StatusReducer empty;
  empty.Merge(view({-6}));
  empty.Merge(view({-8, -14}));
  EXPECT_EQ(empty.First(), -6);
  StatusReducer left = view({}), right = view({-8});
  right.Merge(view({-6}));  // right's own failure came first in index order
  left.Merge(std::move(right));
  EXPECT_EQ(left.First(), -8);
  StatusReducer later = view({-14});
  StatusReducer earlier = view({});
  earlier.Merge(view({}));
  earlier.Merge(std::move(later));
  EXPECT_EQ(earlier.First(), -14);
  EXPECT_EQ(StatusReducer{}.First(), StatusOk);
}

}  // namespace
}  // namespace tessaro
