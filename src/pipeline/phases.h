// Where a frame's time goes, for benchmarks: the passes and the tables tell an observer when
// they begin and end. No module sets one; an unset observer costs a load per phase.
#pragma once

namespace tessaro::pipeline {

enum class Phase { kMeasure, kTables, kMap };
inline constexpr int kPhaseCount = 3;

// Called on the thread that runs the frame, at the start (begins) and the end of each phase.
using PhaseObserver = void (*)(Phase phase, bool begins);
void SetPhaseObserver(PhaseObserver observer);

// Tells the observer, if any, that a phase runs for the lifetime of the object.
class PhaseScope {
 public:
  explicit PhaseScope(Phase phase);
  ~PhaseScope();
  PhaseScope(const PhaseScope&) = delete;
  PhaseScope& operator=(const PhaseScope&) = delete;

 private:
  Phase phase_;
  PhaseObserver observer_;
};

}  // namespace tessaro::pipeline
