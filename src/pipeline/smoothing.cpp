#include "pipeline/smoothing.h"

#include <cmath>

namespace tessaro::pipeline {

Smoother::Smoother(std::int32_t radius, double sceneCut)
    : radius_(radius < 0 ? 0 : radius),
      levelCut_(sceneCut / 255.0),
      spanCut_(2.0 * sceneCut / 255.0),
      ring_(static_cast<std::size_t>(2 * radius_ + 1)) {}

const Smoother::Entry& Smoother::At(std::int64_t n) const {
  return ring_[static_cast<std::size_t>(n % static_cast<std::int64_t>(ring_.size()))];
}

std::int64_t Smoother::Add(const FrameMeasure& m) {
  const std::int64_t n = added_;
  std::int64_t scene = 0;
  if (n > 0) {
    const Entry& before = At(n - 1);
    // Settings that measure something else also start a new scene.
    const bool cut = before.measure.count != m.count || before.measure.perChannel != m.perChannel ||
                     std::fabs(m.level - before.measure.level) > levelCut_ ||
                     std::fabs(m.span - before.measure.span) > spanCut_;
    scene = before.scene + (cut ? 1 : 0);
  }
  ring_[static_cast<std::size_t>(n % static_cast<std::int64_t>(ring_.size()))] = {m, scene};
  ++added_;
  return n;
}

bool Smoother::CutBefore(std::int64_t n) const {
  return n > 0 && n < added_ && n - 1 >= added_ - static_cast<std::int64_t>(ring_.size()) &&
         At(n).scene != At(n - 1).scene;
}

FrameMeasure Smoother::ParametersOf(std::int64_t n) const {
  const Entry& self = At(n);
  FrameMeasure mean = self.measure;
  if (radius_ == 0 || self.measure.count == 0) return mean;
  // The window, within what is kept and was added.
  const std::int64_t kept = added_ - static_cast<std::int64_t>(ring_.size());
  const std::int64_t oldest = kept > 0 ? kept : 0;
  const std::int64_t first = n - radius_ > oldest ? n - radius_ : oldest;
  const std::int64_t last = n + radius_ < added_ - 1 ? n + radius_ : added_ - 1;
  const std::int32_t per = self.measure.perChannel;
  std::array<double, FrameMeasure::kMaxValues> sum{};
  std::int32_t frames = 0;
  for (std::int64_t j = first; j <= last; ++j) {
    const Entry& e = At(j);
    if (e.scene != self.scene) continue;
    for (std::int32_t k = 0; k < self.measure.count; ++k) {
      double v = e.measure.values[k];
      if (per > 0) {
        const int c = k / per;
        const double a = self.measure.anchor[c], b = e.measure.anchor[c];
        // A black frame has no scale to take; it moves.
        v = self.measure.scaled[c] && a > 0.0 && b > 0.0 ? v * (a / b) : v + (a - b);
      }
      // As differences from the frame's own, so that frames alike give its own exactly.
      sum[k] += v - self.measure.values[k];
    }
    ++frames;
  }
  for (std::int32_t k = 0; k < self.measure.count; ++k) {
    mean.values[k] = self.measure.values[k] + sum[k] / frames;
  }
  return mean;
}

void Smoother::Restart() {
  added_ = 0;
}

}  // namespace tessaro::pipeline
