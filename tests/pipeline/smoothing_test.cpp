// The smoother's rules: centred and causal windows, cuts on either side, the ends of a stream,
// windows wider than a scene, and smoothing off.
#include "pipeline/smoothing.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessaro::pipeline {
namespace {

// A measurement whose one value is v, at mean level `level` (codes of 255) and span `span`.
FrameMeasure M(double v, double level = 100.0, double span = 150.0) {
  FrameMeasure m;
  m.count = 2;
  m.values[0] = v;
  m.values[1] = -v;
  m.level = level / 255.0;
  m.span = span / 255.0;
  return m;
}

// The parameters of every frame once all are added, as a centred window sees them.
std::vector<double> Centred(Smoother& s, const std::vector<FrameMeasure>& frames) {
  std::vector<double> out;
  for (const FrameMeasure& m : frames) s.Add(m);
  for (std::int64_t n = s.added() - (2 * s.radius() + 1); n < s.added(); ++n) {
    if (n >= 0) out.push_back(s.ParametersOf(n).values[0]);
  }
  return out;
}

TEST(Smoother, CentredWindowsAverageTheirSceneUpToTheStreamsEnds) {
  Smoother s(2);
  const std::vector<double> got = Centred(s, {M(10), M(20), M(30), M(40), M(50)});
  // Frames 0..4, each over the frames within 2 of it: the ends see fewer.
  EXPECT_EQ(got, (std::vector<double>{20, 25, 30, 35, 40}));
  EXPECT_EQ(s.ParametersOf(2).values[1], -30);  // every value averaged alike
}

TEST(Smoother, NoWindowReachesAcrossACutOnEitherSide) {
  struct Row {
    const char* what;
    FrameMeasure next;
    bool cut;
  };
  const Row rows[] = {
      {"level up 21 codes", M(90, 121), true},
      {"level down 21 codes", M(90, 79), true},
      {"level up 19.9 codes", M(90, 119.9), false},
      {"span up 41 codes", M(90, 100, 191), true},
      {"span down 39.9 codes", M(90, 100, 110.1), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Smoother s(3);
    for (const FrameMeasure& m :
         {M(10), M(20), M(30), r.next, M(90, r.next.level * 255.0, r.next.span * 255.0)}) {
      s.Add(m);
    }
    EXPECT_EQ(s.CutBefore(3), r.cut);
    EXPECT_FALSE(s.CutBefore(4));
    if (r.cut) {
      EXPECT_EQ(s.ParametersOf(2).values[0], 20);  // 10, 20, 30 only
      EXPECT_EQ(s.ParametersOf(3).values[0], 90);  // 90, 90 only
    } else {
      EXPECT_EQ(s.ParametersOf(2).values[0], 48);  // all five
    }
  }
}

TEST(Smoother, ARadiusWiderThanTheSceneTakesTheWholeScene) {
  Smoother s(10);
  for (const FrameMeasure& m : {M(1), M(2), M(3), M(60, 200), M(70, 200)}) s.Add(m);
  EXPECT_EQ(s.ParametersOf(0).values[0], 2);
  EXPECT_EQ(s.ParametersOf(2).values[0], 2);
  EXPECT_EQ(s.ParametersOf(4).values[0], 65);
}

TEST(Smoother, CausalWindowsSeeOnlyThePast) {
  Smoother s(2);
  std::vector<double> got;
  for (const FrameMeasure& m : {M(10), M(20), M(30), M(40), M(100, 200), M(110, 200)}) {
    got.push_back(s.ParametersOf(s.Add(m)).values[0]);
  }
  // After the cut the window starts afresh: nothing of the old scene is blended in.
  EXPECT_EQ(got, (std::vector<double>{10, 15, 20, 30, 100, 105}));
}

// Two channels of (low, high), anchored at `scaledAt` (scales) and `movedAt` (moves).
FrameMeasure Anchored(double lo0, double hi0, double scaledAt, double lo1, double hi1,
                      double movedAt) {
  FrameMeasure m = M(0);
  m.count = 4;
  m.perChannel = 2;
  m.values = {lo0, hi0, lo1, hi1};
  m.anchor = {scaledAt, movedAt, 0.0};
  m.scaled = {true, false, false};
  return m;
}

TEST(Smoother, EachFrameKeepsItsOwnLevelAndAveragesWhereItsValuesLieFromIt) {
  struct Row {
    const char* what;
    FrameMeasure other;  // frames 0 and 2; frame 1 is `self`
    std::array<double, 4> want;
  };
  const FrameMeasure self = Anchored(100, 300, 200, -50, 50, 0);
  const Row rows[] = {
      // Exposure: the others are the same picture twice as bright, chroma moved by 10.
      {"level changes only", Anchored(200, 600, 400, -40, 60, 10), {100, 300, -50, 50}},
      // Noise in the extremes: averaged out around the frame's own level.
      {"extremes wander", Anchored(70, 330, 200, -80, 80, 0), {80, 320, -70, 70}},
      // A black frame has no scale: its values move like chroma's.
      {"black neighbours", Anchored(0, 0, 0, -50, 50, 0), {500.0 / 3, 700.0 / 3, -50, 50}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Smoother s(1, 255.0);  // no cuts
    s.Add(r.other);
    s.Add(self);
    s.Add(r.other);
    const FrameMeasure p = s.ParametersOf(1);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(p.values[k], r.want[k], 1e-9) << k;
  }
}

TEST(Smoother, RadiusZeroGivesEveryFrameItsOwnMeasurementExactly) {
  Smoother s(0);
  FrameMeasure odd = M(0.1 + 0.2);
  odd.values[1] = 1e-300;
  for (const FrameMeasure& m : {M(3.5), odd, M(-7)}) {
    const FrameMeasure p = s.ParametersOf(s.Add(m));
    EXPECT_EQ(p.values, m.values);
    EXPECT_EQ(p.count, m.count);
  }
}

TEST(Smoother, RestartAndOtherSettingsStartAfresh) {
  Smoother s(3);
  s.Add(M(10));
  s.Add(M(20));
  s.Restart();
  EXPECT_EQ(s.added(), 0);
  EXPECT_EQ(s.ParametersOf(s.Add(M(50))).values[0], 50);
  // A measurement of another kind (other settings) is a new scene.
  FrameMeasure other = M(70);
  other.count = 3;
  s.Add(other);
  EXPECT_TRUE(s.CutBefore(1));
  EXPECT_EQ(s.ParametersOf(1).values[0], 70);
  // Nothing measured: nothing averaged.
  FrameMeasure none;
  s.Add(none);
  EXPECT_EQ(s.ParametersOf(2).count, 0);
}

}  // namespace
}  // namespace tessaro::pipeline
