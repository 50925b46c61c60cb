#include "pipeline/phases.h"

#include <atomic>

namespace tessaro::pipeline {
namespace {

std::atomic<PhaseObserver> g_observer{nullptr};

}  // namespace

void SetPhaseObserver(PhaseObserver observer) {
  g_observer.store(observer, std::memory_order_relaxed);
}

PhaseScope::PhaseScope(Phase phase)
    : phase_(phase), observer_(g_observer.load(std::memory_order_relaxed)) {
  if (observer_ != nullptr) observer_(phase_, true);
}

PhaseScope::~PhaseScope() {
  if (observer_ != nullptr) observer_(phase_, false);
}

}  // namespace tessaro::pipeline
