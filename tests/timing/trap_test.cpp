#include "timing/trap.h"

#include <gtest/gtest.h>

#include <vector>

#include "timing/geodesy.h"

namespace kv {
namespace {

Trap MakeTrap(TrapLineType type, double bearing_deg) {
  Trap trap;
  SetTrap(trap, DefaultTrapName(type), type, RadiansToIntPoint(DegToRad(48.0), DegToRad(11.0)), DegToRad(bearing_deg),
          MetresToRad(20.0), false);
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
}

TEST(TrapList, StartAndFinishLines) {
  struct Case {
    const char* legend;
    std::vector<TrapLineType> types;
    bool start, finish;
  } cases[] = {
      {"empty", {}, false, false},
      {"splits and a disabled trap", {kTrapSplit, kTrapDisabled}, false, false},
      {"start only", {kTrapSplit, kTrapStart}, true, false},
      {"finish only", {kTrapFinish}, false, true},
      {"start/finish is both", {kTrapStartFinish}, true, true},
  };
  for (const Case& c : cases) {
    TrapList traps(kTrapListGrowth);
    for (TrapLineType type : c.types) traps.Append(MakeTrap(type, 0.0));
    EXPECT_EQ(HasStartLine(traps), c.start) << c.legend;
    EXPECT_EQ(HasFinishLine(traps), c.finish) << c.legend;
  }
}

}  // namespace
}  // namespace kv
