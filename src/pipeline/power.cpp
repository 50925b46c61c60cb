#include "pipeline/power.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tessaro::pipeline {
namespace {

// ln 2 in two parts; the low 21 bits of kLn2Hi are zero, so its products with the exponents
// and step counts below are exact.
constexpr double kLn2Hi = 0x1.62e42fee00000p-1;
constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;

// Beyond these, e^z rounds to infinity (e^89.5 > 2^128) or to zero (e^-104.5 < 2^-150) in
// single precision.
constexpr double kOverflow = 89.5;
constexpr double kUnderflow = -104.5;

// ln v for v in [0.7, 1.5], at compile time only: 2 atanh(s), s = (v - 1) / (v + 1), to far
// past double precision.
constexpr double SlowLog(double v) {
  const double s = (v - 1.0) / (v + 1.0);
  double sum = 0.0;
  for (int k = 39; k >= 1; k -= 2) sum = sum * (s * s) + 2.0 / k;
  return s * sum;
}

// 2^(j / 32), j = 0..31, at compile time only: e^a by its series, a < 0.7.
constexpr double SlowExp2(int j) {
  const double a = j * (kLn2Hi / 32) + j * (kLn2Lo / 32);
  double sum = 1.0;
  for (int k = 30; k >= 1; --k) sum = 1.0 + sum * a / k;
  return sum;
}

// The logarithm reduces a mantissa m in [1, 2) by its top five fraction bits i: u = m c - 1 is
// small and exact (c has nine significant bits), and ln m = ln(1 + u) - ln c. From i = 13 on,
// m is taken as m / 2 with the exponent one higher, so that ln m stays within +-0.35 and a
// number just below 1 is not ln 2 less nearly ln 2. Intervals 0 and 31, either side of 1,
// keep m - 1 and m / 2 - 1 themselves (c = 1 and 1/2, no ln c).
struct LogStep {
  double c;
  double lnm;  // -ln c, less ln 2 when m is halved
  int fold;    // 1 when m is halved
};
constexpr int kLogSteps = 32;
constexpr int kFoldFrom = 13;

constexpr auto kLog = [] {
  std::array<LogStep, kLogSteps> t{};
  for (int i = 0; i < kLogSteps; ++i) {
    const int fold = i >= kFoldFrom ? 1 : 0;
    double c = 1.0;
    if (i == kLogSteps - 1) {
      c = 0.5;
    } else if (i > 0) {
      const double centre = 1.0 + (i + 0.5) / kLogSteps;
      c = static_cast<double>(static_cast<int>(512.0 / centre + 0.5)) / 512.0;
    }
    const double reduced = fold ? 2.0 * c : c;  // m / 2 times 2c is m times c
    t[i] = {c, reduced == 1.0 ? 0.0 : -SlowLog(reduced), fold};
  }
  return t;
}();

// 2 / (2k + 1), k = 1..4: ln(1 + u) = 2s + s (s^2 c1 + s^4 c2 + ...), s = u / (2 + u). With
// |s| < 0.0155 the first term left out, 2 s^11 / 11, is below 2^-60 of ln(1 + u).
constexpr double kAtanh[] = {2.0 / 3, 2.0 / 5, 2.0 / 7, 2.0 / 9};

// e^z = 2^(k / 32) e^r with |r| <= ln 2 / 64 (and a little): 2^(j / 32) from the table, e^r by
// its series to r^6 / 6!, the first term left out, r^7 / 7!, below 2^-58.
constexpr int kExpSteps = 32;
constexpr auto kExp2 = [] {
  std::array<double, kExpSteps> t{};
  for (int j = 0; j < kExpSteps; ++j) t[j] = SlowExp2(j);
  return t;
}();
constexpr double kExpTerms[] = {1.0, 1.0, 1.0 / 2, 1.0 / 6, 1.0 / 24, 1.0 / 120, 1.0 / 720};
constexpr double kStepsPerLn2 = kExpSteps / (kLn2Hi + kLn2Lo);

// 2^q for the q a result in single range can need, looked up: the 32-bit target has no
// cheap way to build a double from its bits.
constexpr int kLowestScale = -152;
constexpr int kScales = 284;
constexpr auto kScale = [] {
  std::array<double, kScales> t{};
  double s = 0x1p-152;
  for (int q = 0; q < kScales; ++q, s *= 2.0) t[q] = s;
  return t;
}();

// ln x for a finite x > 0, within about 2^-52 of it.
double Log(float x) {
  std::uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  int e = 0;
  if (bits < 0x00800000u) {  // subnormal: scaled up exactly
    const float scaled = x * 0x1p24f;
    std::memcpy(&bits, &scaled, sizeof bits);
    e = -24;
  }
  e += static_cast<int>(bits >> 23) - 127;
  const LogStep& step = kLog[(bits >> 18) & (kLogSteps - 1)];
  e += step.fold;
  const std::uint32_t mantissaBits = (bits & 0x007FFFFFu) | 0x3F800000u;
  float m;
  std::memcpy(&m, &mantissaBits, sizeof m);
  const double u = static_cast<double>(m) * step.c - 1.0;
  const double s = u / (2.0 + u);
  const double s2 = s * s;
  const double q = kAtanh[0] + s2 * (kAtanh[1] + s2 * (kAtanh[2] + s2 * kAtanh[3]));
  const double ln1u = 2.0 * s + s * (s2 * q);
  const double ed = static_cast<double>(e);
  return ed * kLn2Hi + (ed * kLn2Lo + step.lnm + ln1u);
}

// e^z for z in [kUnderflow, kOverflow].
double Exp(double z) {
  const double t = z * kStepsPerLn2;
  const int k = static_cast<int>(t < 0.0 ? t - 0.5 : t + 0.5);
  const double kd = static_cast<double>(k);
  // z and k ln 2 / 32 lie within a factor of two of each other (or k is 0): exact.
  const double r = (z - kd * (kLn2Hi / kExpSteps)) - kd * (kLn2Lo / kExpSteps);
  // In pairs (Estrin): a shorter chain of dependent operations than Horner's.
  const double r2 = r * r;
  const double p = (1.0 + r) + r2 * ((kExpTerms[2] + r * kExpTerms[3]) +
                                     r2 * ((kExpTerms[4] + r * kExpTerms[5]) + r2 * kExpTerms[6]));
  const int j = k & (kExpSteps - 1);
  const int q = (k - j) / kExpSteps;
  return (kExp2[j] * p) * kScale[q - kLowestScale];
}

float Power(float x, float y) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  // pow(x, 0) and pow(1, y) are 1 even for not-a-number.
  if (y == 0.0f || x == 1.0f) return 1.0f;
  if (x != x || y != y || x < 0.0f) return kNaN;
  if (x == 0.0f) return y > 0.0f ? 0.0f : kInf;
  if (y == kInf || y == -kInf) return (x < 1.0f) == (y > 0.0f) ? 0.0f : kInf;
  if (x == kInf) return y > 0.0f ? kInf : 0.0f;
  const double z = static_cast<double>(y) * Log(x);
  if (z > kOverflow) return kInf;
  if (z < kUnderflow) return 0.0f;
  return static_cast<float>(Exp(z));
}

}  // namespace

void PowerRow(float* values, std::int32_t count, float y) {
  for (std::int32_t i = 0; i < count; ++i) values[i] = Power(values[i], y);
}

}  // namespace tessaro::pipeline
