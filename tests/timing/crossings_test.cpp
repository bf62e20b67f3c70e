#include "timing/crossings.h"

#include <gtest/gtest.h>

#include <cmath>

#include "timing/trap_placement.h"

namespace kv {
namespace {

// Local metres around 47 N, 8 E (x east, y north).
IntPoint At(double x, double y) {
  const double lat0 = DegToRad(47.0);
  return RadiansToIntPoint(lat0 + MetresToRad(y), DegToRad(8.0) + MetresToRad(x) / std::cos(lat0));
}

LogSample Sample(int32_t time, double x, double y, double mps = 20.0, double heading_deg = 0.0) {
  LogSample s;
  s.time = time;
  s.position = At(x, y);
  s.speed = MetresPerSecondToStored(mps);
  s.distance = RadToAngleValue(MetresToRad(y + 1000.0));
  s.heading = RadiansToHeadingWord(DegToRad(heading_deg));
  return s;
}

// A 20 m line across the y axis at y, bearing north.
Trap Line(TrapLineType type, double y = 0.0, bool unidirectional = false) {
  Trap trap;
  SetTrap(trap, DefaultTrapName(type), type, At(0.0, y), 0.0, MetresToRad(20.0), unidirectional);
  return trap;
}

class CrossingsTest : public ::testing::Test {
 protected:
  SampleList samples_{kSampleListGrowth};
  TrapList traps_{kTrapListGrowth};
  CrossingList crossings_{kCrossingListGrowth};
};

TEST(CrossesTrap, DirectionAndNoCrossingRules) {
  struct Case {
    const char* legend;
    TrapLineType type;
    bool unidirectional;
    double from_x, from_y, to_x, to_y;
    bool crossed;
  } cases[] = {
      {"along the bearing", kTrapSplit, true, 0.5, -3, 0.5, 3, true},
      {"against the bearing", kTrapSplit, true, 0.5, 3, 0.5, -3, false},
      {"against, both directions allowed", kTrapSplit, false, 0.5, 3, 0.5, -3, true},
      {"89 degrees off the bearing", kTrapSplit, true, -5, -0.08, 5, 0.095, true},
      {"91 degrees off the bearing", kTrapSplit, true, -5, 0.08, 5, -0.095, false},
      {"disabled", kTrapDisabled, false, 0, -5, 0, 5, false},
      {"standing on the line: zero-length movement", kTrapStart, false, 0, 0, 0, 0, false},
      {"beside the line", kTrapStart, false, 15, -5, 15, 5, false},
  };
  for (const Case& c : cases) {
    SegmentCrossing x;
    EXPECT_EQ(CrossesTrap(Line(c.type, 0.0, c.unidirectional), At(c.from_x, c.from_y), At(c.to_x, c.to_y), &x),
              c.crossed)
        << c.legend;
  }
}

TEST_F(CrossingsTest, LineExactlyThroughASampleIsRecordedOnce) {
  traps_.Append(Line(kTrapStart));
  samples_.Append(Sample(0, 1.0, -5.0));
  samples_.Append(Sample(100, 1.0, 0.0));
  samples_.Append(Sample(200, 1.0, 5.0));
  SampleList growing(kSampleListGrowth);
  for (const LogSample& s : samples_) {
    growing.Append(s);
    UpdateCrossingsLive(growing, traps_, crossings_);
  }
  ASSERT_EQ(crossings_.Count(), 1);
  EXPECT_EQ(crossings_[0].sample_index, 1);
  EXPECT_EQ(crossings_[0].crossing_sample.time, 100);
  CrossingList recomputed(kCrossingListGrowth);
  RecomputeCrossings(samples_, traps_, recomputed);
  ASSERT_EQ(recomputed.Count(), 1);
  EXPECT_EQ(recomputed[0].sample_index, 1);
}

// Regression: a split passed just before the finish in the same interval
// reached the lap engine after the finish and landed in the next lap.
TEST_F(CrossingsTest, TwoLinesInOneIntervalInDrivingOrderWithInterpolatedValues) {
  traps_.Append(Line(kTrapFinish, 4.0));  // crossed second along the movement
  traps_.Append(Line(kTrapSplit, 1.0));
  samples_.Append(Sample(10000, 0.5, -5.0, 10.0));
  samples_.Append(Sample(11000, 0.5, 5.0, 20.0));
  RecomputeCrossings(samples_, traps_, crossings_);
  ASSERT_EQ(crossings_.Count(), 2);
  const TrapCrossing& c = crossings_[0];
  EXPECT_EQ(c.trap_index, 1);
  EXPECT_EQ(c.sample_interval, 1000);
  EXPECT_EQ(c.crossing_sample.time, 10600) << "60 % of a 1000 ms interval";
  EXPECT_NEAR(RadToMetres(StoredToSpeed(c.crossing_sample.speed)), 16.0, 1e-3);
  EXPECT_NEAR(RadToMetres(AngleValueToRad(c.crossing_sample.distance)), 1001.0, 0.02);
  EXPECT_EQ(crossings_[1].trap_index, 0);
  EXPECT_EQ(crossings_[1].crossing_sample.time, 10900);
  CrossingList live{kCrossingListGrowth};
  UpdateCrossingsLive(samples_, traps_, live);
  ASSERT_EQ(live.Count(), 2);
  EXPECT_EQ(live[0].trap_index, 1);
  EXPECT_EQ(live[1].trap_index, 0);
}

TEST_F(CrossingsTest, InterpolationEdges) {
  samples_.Append(Sample(0, 0, 0, 10.0, 350.0));
  samples_.Append(Sample(1000, 0, 10, 20.0, 20.0));
  EXPECT_EQ(InterpolateSample(samples_, 5, 0.5).time, kNotSet) << "outside: empty sample";
  EXPECT_EQ(InterpolateSample(samples_, 1, 0.5).heading, 500) << "350 and 20 degrees meet at 5 degrees, not 185";
  EXPECT_EQ(InterpolateSample(samples_, 1, 1.0).position, samples_[1].position) << "exactly the later sample";
  samples_[0].heading = LogSample::kNoWord;
  EXPECT_EQ(InterpolateSample(samples_, 1, 0.5).heading, LogSample::kNoWord);
}

TEST_F(CrossingsTest, AddingTraps) {
  HeadingEstimator heading;
  const TrapPlacementContext lap_timing{true, false};
  samples_.Append(Sample(0, 0, 0, 0.3, 45.0));
  samples_.Append(Sample(1000, 0, 0.3, 0.3, 45.0));
  heading.Feed(ToGeoPoint(samples_[0].position), 0, MetresToRad(0.3), 0.0);
  heading.Feed(ToGeoPoint(samples_[1].position), 1000, MetresToRad(0.3), 0.0);
  EXPECT_FALSE(AddTrapAtCurrentPosition(lap_timing, samples_, heading, kTrapSplit, traps_))
      << "no heading below 0.8 m/s before any movement";
  heading.Feed(ToGeoPoint(samples_[1].position), 2000, MetresToRad(12.0), DegToRad(45.0));
  EXPECT_FALSE(AddTrapAtCurrentPosition({true, true}, samples_, heading, kTrapSplit, traps_)) << "locked";
  EXPECT_FALSE(AddTrapAtCurrentPosition({false, false}, samples_, heading, kTrapSplit, traps_));
  ASSERT_TRUE(AddTrapAtCurrentPosition(lap_timing, samples_, heading, kTrapSplit, traps_));
  const Trap& added = traps_[0];
  EXPECT_DOUBLE_EQ(added.bearing, DegToRad(45.0));
  EXPECT_EQ(added.unidirectional, 1);
  EXPECT_FALSE(AddTrapAtSample(lap_timing, samples_, -1, kTrapStart, traps_));
  EXPECT_FALSE(AddTrapAtSample(lap_timing, samples_, 2, kTrapStart, traps_));
  ASSERT_TRUE(AddTrapAtSample(lap_timing, samples_, 0, kTrapStart, traps_));
  EXPECT_NEAR(traps_[1].bearing, DegToRad(45.0), 1e-9);
}

TEST(TrapEdit, RotateAcrossPlusMinus180AndMoveRebuildTheLine) {
  Trap trap = Line(kTrapStart);
  trap.bearing = DegToRad(179.5);
  RotateTrap(trap, true, false);
  EXPECT_NEAR(RadToDeg(trap.bearing), -179.5, 1e-9);
  RotateTrap(trap, false, true);
  EXPECT_NEAR(RadToDeg(trap.bearing), 170.5, 1e-9);
  const IntPoint before = trap.position;
  MoveTrap(trap, MoveDirection::kNorth, false);
  MoveTrap(trap, MoveDirection::kWest, true);
  MoveTrap(trap, MoveDirection::kSouth, true);
  MoveTrap(trap, MoveDirection::kEast, false);
  MoveTrap(trap, MoveDirection::kNorth, true);
  EXPECT_EQ(trap.position.lat, before.lat + 50);
  EXPECT_EQ(trap.position.lon, before.lon - 450);
  const GeoPoint centre = ToGeoPoint(trap.position);
  // The line is rebuilt around the moved centre: end A on bearing + 90, half the width away.
  EXPECT_NEAR(Bearing(centre, trap.line.start), NormaliseAngle(trap.bearing + kPi / 2), 1e-6);
  EXPECT_NEAR(RadToMetres(Distance(centre, trap.line.end)), 10.0, 1e-6);
  EXPECT_EQ(trap.end_a, ToIntPoint(trap.line.start));
}

}  // namespace
}  // namespace kv
