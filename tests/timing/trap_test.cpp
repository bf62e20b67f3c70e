#include "timing/trap.h"

#include <gtest/gtest.h>

#include "timing/geodesy.h"

namespace kv {
namespace {

constexpr double kMetre = 1.0 / 6371000.0;

Trap MakeTrap(TrapLineType type, double bearing_deg) {
  Trap trap;
  SetTrap(trap, DefaultTrapName(type), type, RadiansToIntPoint(DegToRad(48.0), DegToRad(11.0)),
          DegToRad(bearing_deg), 20 * kMetre, false);
  return trap;
}

TEST(TrapLine, EndsLieHalfTheWidthAcrossTheBearing) {
  const Trap trap = MakeTrap(kTrapSplit, 30.0);
  const GeoPoint centre = ToGeoPoint(trap.position);
  EXPECT_NEAR(RadToMetres(Distance(centre, trap.line.start)), 10.0, 1e-6);
  EXPECT_NEAR(RadToMetres(Distance(centre, trap.line.end)), 10.0, 1e-6);
  EXPECT_NEAR(Bearing(centre, trap.line.start), DegToRad(120.0), 1e-6) << "end A on bearing + 90";
  EXPECT_NEAR(Bearing(centre, trap.line.end), DegToRad(-60.0), 1e-6) << "end B on bearing - 90";
  EXPECT_EQ(trap.end_a, ToIntPoint(trap.line.start));
  EXPECT_EQ(trap.end_b, ToIntPoint(trap.line.end));
}

TEST(TrapLine, BearingKeptNormalised) {
  Trap trap = MakeTrap(kTrapStart, 179.5);
  RotateTrap(trap, true, false);
  EXPECT_NEAR(RadToDeg(trap.bearing), -179.5, 1e-9);
  RotateTrap(trap, false, true);
  EXPECT_NEAR(RadToDeg(trap.bearing), 170.5, 1e-9);
}

TEST(TrapEdit, MoveStepsRebuildTheLine) {
  Trap trap = MakeTrap(kTrapStart, 0.0);
  const IntPoint before = trap.position;
  const IntPoint a_before = trap.end_a;
  MoveTrap(trap, MoveDirection::kNorth, false);
  MoveTrap(trap, MoveDirection::kWest, true);
  EXPECT_EQ(trap.position.lat, before.lat + 50);
  EXPECT_EQ(trap.position.lon, before.lon - 500);
  EXPECT_NEAR(trap.end_a.lat, a_before.lat + 50, 1);
  EXPECT_NEAR(trap.end_a.lon, a_before.lon - 500, 1);
}

TEST(TrapList, StartAndFinishTests) {
  TrapList traps(kTrapListGrowth);
  EXPECT_FALSE(HasStartLine(traps));
  traps.Append(MakeTrap(kTrapSplit, 0));
  traps.Append(MakeTrap(kTrapDisabled, 0));
  EXPECT_FALSE(HasStartLine(traps));
  EXPECT_FALSE(HasFinishLine(traps));
  traps.Append(MakeTrap(kTrapStart, 0));
  EXPECT_TRUE(HasStartLine(traps));
  EXPECT_FALSE(HasFinishLine(traps));
  traps.Append(MakeTrap(kTrapFinish, 0));
  EXPECT_TRUE(HasFinishLine(traps));
  TrapList combined(kTrapListGrowth);
  combined.Append(MakeTrap(kTrapStartFinish, 0));
  EXPECT_TRUE(HasStartLine(combined));
  EXPECT_TRUE(HasFinishLine(combined));
}

TEST(TrapNames, DefaultsByType) {
  EXPECT_EQ(DefaultTrapName(kTrapStart).AsView(), u"Start");
  EXPECT_EQ(DefaultTrapName(kTrapFinish).AsView(), u"Finish");
  EXPECT_EQ(DefaultTrapName(kTrapStartFinish).AsView(), u"Start/Finish");
  EXPECT_EQ(DefaultTrapName(kTrapSplit).AsView(), u"New split");
  EXPECT_EQ(DefaultTrapName(kTrapDisabled).AsView(), u"New split");
}

}  // namespace
}  // namespace kv
