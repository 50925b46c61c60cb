// The level stage's power against the exact one: special values as IEEE pow gives them, and
// the correctly rounded power on the bases and exponents level tables use and far beyond.
#include "pipeline/power.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "support/differential.h"

namespace tessaro {
namespace {

using testing::kInf;
using testing::kNaN;
using testing::Random;

float Power(float x, float y) {
  pipeline::PowerRow(&x, 1, y);
  return x;
}

struct Exact {
  float x, y, want;
};

TEST(PowerTest, SpecialAndExactValues) {
  const Exact cases[] = {
      {0.0f, 2.0f, 0.0f},
      {-0.0f, 2.0f, 0.0f},
      {0.0f, -2.0f, kInf},
      {1.0f, kNaN, 1.0f},
      {kNaN, 0.0f, 1.0f},
      {kNaN, 2.0f, kNaN},
      {2.0f, kNaN, kNaN},
      {-1.0f, 2.0f, kNaN},
      {kInf, 2.0f, kInf},
      {kInf, -2.0f, 0.0f},
      {0.5f, kInf, 0.0f},
      {2.0f, kInf, kInf},
      {0.5f, -kInf, kInf},
      {2.0f, -kInf, 0.0f},
      {1.0f, kInf, 1.0f},
      {2.0f, 10.0f, 1024.0f},
      {4.0f, 0.5f, 2.0f},
      {0.25f, 1.5f, 0.125f},
      {2.0f, 127.0f, 0x1p127f},
      {2.0f, 128.0f, kInf},
      {0.5f, 149.0f, 0x1p-149f},
      {2.0f, -151.0f, 0.0f},
      {0x1p-148f, 0.5f, 0x1p-74f},
      {0x1.fffffep127f, 1.0f, 0x1.fffffep127f},
      {0x1p-149f, 1.0f, 0x1p-149f},
      {3.0f, -1.0f, 1.0f / 3.0f},
      {1.0f / 4096.0f, 0.5f, 1.0f / 64.0f},
  };
  for (const Exact& c : cases) {
    const float got = Power(c.x, c.y);
    if (std::isnan(c.want)) {
      EXPECT_TRUE(std::isnan(got)) << c.x << " ^ " << c.y << " = " << got;
    } else {
      EXPECT_EQ(got, c.want) << std::hexfloat << c.x << " ^ " << c.y;
    }
  }
}

// Whether the exact value v lies within 2^-40 of itself of half-way between two floats: the
// one place the power may round the other way.
bool NearHalfWay(long double v) {
  const float f = static_cast<float>(v);
  if (v == 0.0L || std::isinf(f) || static_cast<long double>(f) == v) return false;
  float other = std::nextafter(f, static_cast<long double>(f) > v ? 0.0f : kInf);
  const long double o = std::isinf(other) ? std::ldexp(1.0L, 128) : other;
  const long double half = (static_cast<long double>(f) + o) / 2;
  return std::fabs(v - half) < std::ldexp(std::fabs(v), -40);
}

// Counts the bases and exponents the power rounds otherwise than the exact value (long
// double's power is within 2^-63 of it), leaving out those near half-way.
struct Tally {
  int checked = 0, nearHalfWay = 0, wrong = 0;
  void Check(float x, float y) {
    ++checked;
    const long double exact = std::pow(static_cast<long double>(x), static_cast<long double>(y));
    const float got = Power(x, y);
    if (got == static_cast<float>(exact)) return;
    if (NearHalfWay(exact)) {
      ++nearHalfWay;
      return;
    }
    if (++wrong <= 5) {
      ADD_FAILURE() << std::hexfloat << x << " ^ " << y << ": " << got << ", exact "
                    << static_cast<double>(exact);
    }
  }
};

TEST(PowerTest, RoundsLevelTablesCorrectly) {
  // Every base of a table over 0..span, formed as the level stage forms it, raised to 1 / gamma
  // for gammas of the sliders' range and the automatic ones beyond it.
  const int spans[] = {1, 2, 3, 255, 1000, 4080, 4096};
  const float gammas[] = {0.01f, 0.1f, 0.37f, 0.9999f, 1.0001f, 2.2f, 9.99f, 100.0f, 1e-4f, 4e3f};
  Tally tally;
  for (const int span : spans) {
    const float scale = static_cast<float>(1.0 / static_cast<double>(span));
    for (const float gamma : gammas) {
      for (int v = 0; v <= span + 64; ++v) tally.Check(static_cast<float>(v) * scale, 1.0f / gamma);
    }
  }
  EXPECT_EQ(tally.wrong, 0);
  EXPECT_LT(tally.nearHalfWay, tally.checked / 1000 + 1);
}

TEST(PowerTest, RoundsCorrectlyOverTheWholeRange) {
  // Bases from the smallest subnormal to the largest float, exponents of either sign from 2^-20
  // to 2^20: results of every size, subnormals and overflow included.
  Random rng(2026);
  Tally tally;
  for (int i = 0; i < 300000; ++i) {
    const float x = std::ldexp(1.0f + static_cast<float>(rng.Next() & 0xFFFFFF) / 0x1p24f,
                               rng.Range(-149, 127));
    float y =
        std::ldexp(1.0f + static_cast<float>(rng.Next() & 0xFFFFF) / 0x1p20f, rng.Range(-20, 20));
    if (rng.OneIn(2)) y = -y;
    tally.Check(x, y);
    // Bases next to 1, where the logarithm is small.
    tally.Check(1.0f + static_cast<float>(rng.Range(-4096, 4096)) * 0x1p-24f, y);
  }
  EXPECT_EQ(tally.wrong, 0);
  EXPECT_LT(tally.nearHalfWay, tally.checked / 1000 + 1);
}

}  // namespace
}  // namespace tessaro
