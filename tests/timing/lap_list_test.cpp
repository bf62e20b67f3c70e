#include "timing/lap_list.h"

#include <cmath>
#include <utility>

#include "timing/lap_fixture.h"

namespace kv {
namespace {

class LapEngineTest : public LapFixture {
 protected:
  // The laps as text: each lap's time (ms, "-" unfinished) and, in
  // parentheses, its split times.
  std::string Laps() const {
    std::string out;
    for (int32_t i = 0; i < laps_.LapCount(); ++i) {
      const Lap& lap = laps_.LapAt(i);
      out += (i ? " " : "") + (lap.IsFinished() ? std::to_string(lap.LapTime()) : std::string("-"));
      for (int32_t k = 0; k < lap.SplitCount(); ++k) {
        out += "(" + std::to_string(lap.SplitTime(lap.MarkAt(k).trap_index)) + ")";
      }
    }
    return out;
  }
};

TEST_F(LapEngineTest, CrossingSequences) {
  constexpr uint8_t kNoSat = LogSample::kLoadedWithoutSatellites;
  struct Crossing {
    int32_t trap;
    double s;
    int32_t gap = kStep;  // ms between the samples around it
    uint8_t flags = 0;
  };
  struct Case {
    const char* legend;
    std::vector<TrapLineType> traps;
    std::vector<Crossing> crossings;
    std::string laps;
  } cases[] = {
      {"start/finish only, the last lap running", {kTrapStartFinish}, {{0, 10}, {0, 100}, {0, 190}}, "90000 90000 -"},
      {"separate lines, a 2nd finish ends nothing", {kTrapStart, kTrapFinish}, {{0, 10}, {1, 100}, {1, 110}}, "90000"},
      {"a start without a finish stays unfinished", {kTrapStart, kTrapFinish}, {{0, 10}, {0, 20}, {1, 110}}, "- 90000"},
      {"a split crossed twice counts once", {kTrapStartFinish, kTrapSplit}, {{0, 10}, {1, 40}, {1, 45}}, "-(30000)"},
      {"split and finish at once", {kTrapStartFinish, kTrapSplit}, {{0, 10}, {1, 20.03}, {0, 20.08}}, "10080(10030) -"},
      {"crossings of unknown traps are skipped", {kTrapStartFinish}, {{0, 10}, {7, 20}, {0, 30}}, "20000 -"},
      {"split loaded without satellites", {kTrapStartFinish, kTrapSplit}, {{0, 10}, {1, 40, kStep, kNoSat}}, "-"},
      {"finish over a 3000 ms gap", {kTrapStart, kTrapFinish}, {{0, 10}, {1, 50, 3000}}, "40000"},
      {"finish over a 3001 ms gap", {kTrapStart, kTrapFinish}, {{0, 10}, {1, 50, 3001}}, "-"},
      {"split over a 2000 ms gap", {kTrapStart, kTrapSplit}, {{0, 10}, {1, 50, 2000}}, "-(40000)"},
      {"split over a 2001 ms gap", {kTrapStart, kTrapSplit}, {{0, 10}, {1, 50, 2001}}, "-"},
      {"start over a 3001 ms gap, then over 3000 ms", {kTrapStart}, {{0, 70, 3001}, {0, 80, 3000}}, "-"},
  };
  for (const Case& c : cases) {
    traps_.Clear();
    crossings_.Clear();
    laps_.Reset();
    AddTraps(c.traps);
    for (const Crossing& x : c.crossings) Cross(x.trap, static_cast<int32_t>(std::lround(x.s * kS)), x.gap, x.flags);
    Consume();
    EXPECT_EQ(Laps(), c.laps) << c.legend;
  }
}

// Regression: a receiver replaying its log again made time jump back 3
// minutes across the line, and the lap came out as -3:10.045, marked best.
TEST_F(LapEngineTest, TimeGoingBackNeverGivesANegativeLap) {
  AddTraps({kTrapStartFinish, kTrapSplit});
  Cross(0, 100 * kS);
  Cross(1, 120 * kS);
  Cross(0, 150 * kS, -190 * kS);  // the interval itself runs backwards
  Consume();
  EXPECT_EQ(Laps(), "-(20000)") << "a backwards interval neither finishes nor starts a lap";
  // Each interval forward, but the clock jumped back between them.
  Cross(1, 160 * kS);
  crossings_[crossings_.Count() - 1].crossing_sample.time = 90 * kS;
  Cross(0, 170 * kS);
  crossings_[crossings_.Count() - 1].crossing_sample.time = 95 * kS;
  Consume();
  EXPECT_EQ(Laps(), "-(20000) -") << "a finish before the lap's start is no finish, but starts the next lap";
}

TEST_F(LapEngineTest, LapMeasures) {
  AddTraps({kTrapStartFinish, kTrapSplit, kTrapSplit, kTrapSplit});
  const int32_t sf = 0, s1 = 1, s2 = 2, s3 = 3;
  Cross(sf, 10 * kS);
  Cross(s1, 30 * kS);
  Cross(s3, 45 * kS);  // an extra split inside sector s1 -> s2
  Cross(s2, 60 * kS);
  Cross(sf, 100 * kS + 50);
  Consume();
  const Lap& lap = laps_.LapAt(0);
  EXPECT_EQ(lap.LapDistance(), RadToAngleValue(MetresToRad(1801.0)));
  EXPECT_EQ(lap.SplitTime(5), kNotSet);
  EXPECT_NEAR(RadToMetres(AngleValueToRad(lap.SplitDistance(s1))), 400.0, 0.01);
  EXPECT_EQ(lap.SplitDistance(-1), 0);
  EXPECT_EQ(lap.TimeIntoLap(70 * kS), 60 * kS);
  EXPECT_EQ(lap.SectorTime(s1, s2), 30 * kS) << "walks the links past the extra split";
  EXPECT_EQ(lap.SectorTime(s2, s1), kNotSet);
  EXPECT_EQ(lap.SectorTime(sf, sf), 90050);
  EXPECT_EQ(lap.TrapSpeed(s2), MetresPerSecondToStored(20.0));
  EXPECT_EQ(lap.NextTrap(s1), s3);
  EXPECT_EQ(lap.NextTrap(sf), s1) << "the last mark wraps to the first";
  EXPECT_EQ(lap.NextTrap(9), s1);
  EXPECT_EQ(lap.PreviousTrap(s3), s1);
  EXPECT_EQ(lap.PreviousTrap(s1), -1);
  EXPECT_EQ(lap.PreviousTrap(9), sf);
  int32_t a, b;
  lap.SectorBounds(s2, &a, &b);
  EXPECT_EQ(std::make_pair(a, b), std::make_pair(s3, s2));
  lap.SectorBounds(-1, &a, &b);
  EXPECT_EQ(std::make_pair(a, b), std::make_pair(sf, sf)) << "the whole lap";
  EXPECT_EQ(lap.LastSampleIndex(), 1001);
  EXPECT_EQ(laps_.LapAt(1).LapTime(), kNotSet) << "running";
  EXPECT_EQ(laps_.LapAt(1).LastSampleIndex(), 1001);
}

TEST_F(LapEngineTest, TableRowsAndTrapSelection) {
  AddTraps({kTrapStartFinish, kTrapSplit, kTrapSplit});
  for (int32_t lap = 0; lap < 3; ++lap) {
    Cross(0, (10 + 90 * lap) * kS);
    Cross(1, (30 + 90 * lap) * kS);
    Cross(2, (60 + 90 * lap) * kS);
  }
  Cross(0, 280 * kS);
  Consume();
  laps_.SetInvalid(1, true);
  EXPECT_TRUE(laps_.IsInvalid(1));
  EXPECT_EQ(laps_.TableRows(), (std::vector<int32_t>{LapList::kSelectOptimal, 0, 1, 2, 3}));
  settings_.hide_invalid_laps = true;
  EXPECT_EQ(laps_.TableRows(), (std::vector<int32_t>{LapList::kSelectOptimal, 0, 2, 3}));
  laps_.SelectRow(2);
  EXPECT_EQ(laps_.SelectedLap(), 2);
  laps_.SelectRow(0);
  EXPECT_EQ(laps_.SelectedLap(), LapList::kSelectOptimal);

  EXPECT_EQ(laps_.SelectedTrap(), -1);
  laps_.SelectNextTrap();
  EXPECT_EQ(laps_.SelectedTrap(), 1);
  EXPECT_EQ(laps_.SelectedTrapRow(), 0);
  laps_.SelectNextTrap();
  laps_.SelectNextTrap();
  EXPECT_EQ(laps_.SelectedTrap(), 0);
  EXPECT_EQ(laps_.SelectedTrapRow(), 2);
  laps_.SelectPreviousTrap();
  EXPECT_EQ(laps_.SelectedTrap(), 2);
}

}  // namespace
}  // namespace kv
