#include "timing/trap.h"

#include <gtest/gtest.h>

#include "timing/geodesy.h"

namespace kv {
namespace {

Trap MakeTrap(TrapLineType type, double bearing_deg) {
  Trap trap;
  SetTrap(trap, DefaultTrapName(type), type, RadiansToIntPoint(DegToRad(48.0), DegToRad(11.0)), DegToRad(bearing_deg),
          MetresToRad(20.0), false);
  return trap;
}

TEST(TrapEdit, RotateAcrossPlusMinus180AndMoveRebuildTheLine) {
  Trap trap = MakeTrap(kTrapStart, 179.5);
  RotateTrap(trap, true, false);
  EXPECT_NEAR(RadToDeg(trap.bearing), -179.5, 1e-9);
  RotateTrap(trap, false, true);
  EXPECT_NEAR(RadToDeg(trap.bearing), 170.5, 1e-9);

  const IntPoint before = trap.position;
  const IntPoint a_before = trap.end_a;
  MoveTrap(trap, MoveDirection::kNorth, false);
  MoveTrap(trap, MoveDirection::kWest, true);
  MoveTrap(trap, MoveDirection::kSouth, true);
  MoveTrap(trap, MoveDirection::kEast, false);
  MoveTrap(trap, MoveDirection::kNorth, true);
  EXPECT_EQ(trap.position.lat, before.lat + 50);
  EXPECT_EQ(trap.position.lon, before.lon - 450);
  EXPECT_NEAR(trap.end_a.lat, a_before.lat + 50, 1);
  EXPECT_NEAR(trap.end_a.lon, a_before.lon - 450, 1);
  const GeoPoint centre = ToGeoPoint(trap.position);
  EXPECT_NEAR(Bearing(centre, trap.line.start), NormaliseAngle(trap.bearing + kPi / 2), 1e-6) << "end A: bearing + 90";
  EXPECT_NEAR(RadToMetres(Distance(centre, trap.line.end)), 10.0, 1e-6) << "half the width away";
}

TEST(TrapList, StartAndFinishLines) {
  TrapList traps(kTrapListGrowth);
  traps.Append(MakeTrap(kTrapSplit, 0.0));
  traps.Append(MakeTrap(kTrapFinish, 0.0));
  EXPECT_FALSE(HasStartLine(traps)) << "splits and a finish line";
  EXPECT_TRUE(HasFinishLine(traps));
  traps[1].line_type = kTrapStart;
  EXPECT_TRUE(HasStartLine(traps));
  EXPECT_FALSE(HasFinishLine(traps)) << "splits and a start line";
  traps[1].line_type = kTrapStartFinish;
  EXPECT_TRUE(HasStartLine(traps) && HasFinishLine(traps));
}

}  // namespace
}  // namespace kv
