#include "timing/lap_list.h"

#include "timing/lap_fixture.h"

namespace kv {
namespace {

using Seconds = std::vector<double>;
constexpr int32_t kS = 1000;

class LapEngineTest : public LapFixture {};

TEST_F(LapEngineTest, StartFinishOnlyTrack) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  for (int32_t t : {10, 100, 190, 275}) Cross(sf, t * kS);
  EXPECT_TRUE(Consume());
  EXPECT_EQ(laps_.LapCount(), 4);
  EXPECT_EQ(LapSeconds(), (Seconds{90, 90, 85}));
  EXPECT_EQ(laps_.CompletedLaps(), 3) << "the last lap is running";
  EXPECT_EQ(laps_.LapAt(1).Start().Time(), laps_.LapAt(0).Finish()->Time()) << "laps share the mark's time";
}

TEST_F(LapEngineTest, SeparateStartAndFinishLines) {
  const int32_t start = AddTrap(kTrapStart);
  const int32_t finish = AddTrap(kTrapFinish);
  Cross(start, 10 * kS);
  Cross(finish, 100 * kS);
  Cross(finish, 110 * kS);  // finishes nothing: the lap never reopens
  Cross(start, 200 * kS);   // left unfinished
  Cross(start, 210 * kS);
  Cross(finish, 300 * kS);
  Consume();
  ASSERT_EQ(laps_.LapCount(), 3);
  EXPECT_EQ(laps_.LapAt(0).LapTime(), 90 * kS);
  EXPECT_FALSE(laps_.LapAt(1).IsFinished());
  EXPECT_EQ(laps_.LapAt(2).LapTime(), 90 * kS);
  EXPECT_EQ(laps_.CompletedLaps(), 3);
}

TEST_F(LapEngineTest, SplitCrossedTwiceCountsAtTheFirstCrossing) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t split = AddTrap(kTrapSplit);
  Cross(sf, 10 * kS);
  Cross(split, 40 * kS);
  Cross(split, 45 * kS);
  Cross(sf, 100 * kS);
  Consume();
  ASSERT_EQ(laps_.LapAt(0).SplitCount(), 1);
  EXPECT_EQ(laps_.LapAt(0).SplitTime(split), 30 * kS);
}

TEST_F(LapEngineTest, GapLimits) {
  struct Case {
    const char* legend;
    TrapLineType type;
    int32_t gap;
    bool counted;
  } cases[] = {
      {"finish over 3000 ms", kTrapFinish, 3000, true},
      {"finish over 3001 ms", kTrapFinish, 3001, false},
      {"split over 2000 ms", kTrapSplit, 2000, true},
      {"split over 2001 ms", kTrapSplit, 2001, false},
  };
  for (const Case& c : cases) {
    traps_.Clear();
    crossings_.Clear();
    laps_.Reset();
    const int32_t start = AddTrap(kTrapStart);
    const int32_t line = AddTrap(c.type);
    Cross(start, 10 * kS);
    Cross(line, 50 * kS, c.gap);
    Consume();
    const Lap& lap = laps_.LapAt(0);
    EXPECT_EQ(c.type == kTrapFinish ? lap.IsFinished() : lap.SplitCount() == 1, c.counted) << c.legend;
  }
  // A start over 3001 ms opens nothing.
  laps_.Reset();
  crossings_.Clear();
  Cross(0, 70 * kS, 3001);
  Consume();
  EXPECT_EQ(laps_.LapCount(), 0);
  Cross(0, 80 * kS, 3000);
  Consume();
  EXPECT_EQ(laps_.LapCount(), 1);
}

// Regression: a receiver replaying its log again ("gpsfake" loops) made time
// jump back 3 minutes across the line, and the lap came out as -3:10.045,
// marked best.
TEST_F(LapEngineTest, TimeGoingBackNeverGivesANegativeLap) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t split = AddTrap(kTrapSplit);
  Cross(sf, 100 * kS);
  Cross(split, 120 * kS);
  Cross(sf, 150 * kS, -190 * kS);  // the interval itself runs backwards
  Consume();
  ASSERT_EQ(laps_.LapCount(), 1) << "a backwards interval neither finishes nor starts a lap";
  EXPECT_FALSE(laps_.LapAt(0).IsFinished());

  // Each interval forward, but the clock jumped back between them.
  Cross(split, 160 * kS);
  crossings_[crossings_.Count() - 1].crossing_sample.time = 90 * kS;
  Cross(sf, 170 * kS);
  crossings_[crossings_.Count() - 1].crossing_sample.time = 95 * kS;
  Consume();
  const Lap& lap = laps_.LapAt(0);
  EXPECT_FALSE(lap.IsFinished()) << "a finish before the lap's start is no finish";
  EXPECT_EQ(lap.SplitCount(), 1);
  ASSERT_EQ(laps_.LapCount(), 2) << "the line still starts the next lap";
  for (int32_t i = 0; i < laps_.LapCount(); ++i) {
    if (laps_.LapAt(i).IsFinished()) {
      EXPECT_GT(laps_.LapAt(i).LapTime(), 0);
    }
  }
}

TEST_F(LapEngineTest, SplitFromASampleLoadedWithoutSatellitesIsIgnored) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t split = AddTrap(kTrapSplit);
  Cross(sf, 10 * kS, kStep, LogSample::kLoadedWithoutSatellites);
  Cross(split, 40 * kS, kStep, LogSample::kLoadedWithoutSatellites);
  Consume();
  ASSERT_EQ(laps_.LapCount(), 1) << "the start line counts";
  EXPECT_EQ(laps_.LapAt(0).SplitCount(), 0);
}

TEST_F(LapEngineTest, SplitAndFinishInOneInterval) {
  const int32_t finish = AddTrap(kTrapStartFinish);  // trap-list order: finish first
  const int32_t split = AddTrap(kTrapSplit);
  Cross(finish, 10 * kS);
  // The crossing search lists one interval's crossings in driving order.
  Cross(split, 100 * kS + 30);
  Cross(finish, 100 * kS + 80);
  Consume();
  ASSERT_EQ(laps_.LapAt(0).SplitCount(), 1) << "the split was driven before the finish";
  EXPECT_EQ(laps_.LapAt(0).SplitTime(split), 90 * kS + 30);
  EXPECT_EQ(laps_.LapAt(0).LapTime(), 90 * kS + 80);
  EXPECT_EQ(laps_.LapAt(1).SplitCount(), 0);
}

TEST_F(LapEngineTest, CrossingsOfUnknownTrapsAreSkipped) {
  AddTrap(kTrapStartFinish);
  Cross(0, 10 * kS);
  Cross(7, 20 * kS);
  Cross(0, 30 * kS);
  Consume();
  EXPECT_EQ(LapSeconds(), (Seconds{20}));
}

TEST_F(LapEngineTest, InvalidFlagSurvivesRecompute) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  for (int32_t t : {10, 100, 190, 280}) Cross(sf, t * kS);
  Consume();
  laps_.SetInvalid(1, true);
  EXPECT_EQ(notes_.Notes().size(), 1u);
  // Rebuild from the same crossings, as a recompute does.
  laps_.Reset();
  Consume();
  EXPECT_FALSE(laps_.IsInvalid(0));
  EXPECT_TRUE(laps_.IsInvalid(1));
  EXPECT_FALSE(laps_.IsInvalid(2));
  laps_.SetInvalid(1, false);
  laps_.Reset();
  Consume();
  EXPECT_FALSE(laps_.IsInvalid(1));
}

TEST_F(LapEngineTest, LapMeasures) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t s1 = AddTrap(kTrapSplit);
  const int32_t s2 = AddTrap(kTrapSplit);
  const int32_t s3 = AddTrap(kTrapSplit);
  Cross(sf, 10 * kS);
  Cross(s1, 30 * kS);
  Cross(s3, 45 * kS);  // an extra split inside sector s1 -> s2
  Cross(s2, 60 * kS);
  Cross(sf, 100 * kS + 50);
  Consume();
  const Lap& lap = laps_.LapAt(0);
  EXPECT_EQ(lap.LapTime(), 90050);
  EXPECT_EQ(lap.LapDistance(), RadToAngleValue(MetresToRad(1801.0)));
  EXPECT_EQ(lap.SplitTime(s1), 20 * kS);
  EXPECT_EQ(lap.SplitTime(s2), 50 * kS);
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
  EXPECT_EQ(a, s3);
  EXPECT_EQ(b, s2);
  lap.SectorBounds(-1, &a, &b);
  EXPECT_EQ(a, sf);
  EXPECT_EQ(b, sf);
  EXPECT_EQ(lap.LastSampleIndex(), 1001);
  const Lap& running = laps_.LapAt(1);
  EXPECT_EQ(running.LapTime(), kNotSet);
  EXPECT_EQ(running.LastSampleIndex(), 1001);
}

TEST_F(LapEngineTest, TableRowsAndSelection) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  for (int32_t t : {10, 100, 190, 280}) Cross(sf, t * kS);
  Consume();
  laps_.SetInvalid(1, true);
  EXPECT_EQ(laps_.TableRows(), (std::vector<int32_t>{LapList::kSelectOptimal, 0, 1, 2, 3}));
  settings_.hide_invalid_laps = true;
  EXPECT_EQ(laps_.TableRows(), (std::vector<int32_t>{LapList::kSelectOptimal, 0, 2, 3}));
  laps_.SelectRow(2);
  EXPECT_EQ(laps_.SelectedLap(), 2);
  laps_.SelectRow(0);
  EXPECT_EQ(laps_.SelectedLap(), LapList::kSelectOptimal);
}

TEST_F(LapEngineTest, TrapSelectionFollowsTheReferenceLap) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t s1 = AddTrap(kTrapSplit);
  const int32_t s2 = AddTrap(kTrapSplit);
  Cross(sf, 10 * kS);
  Cross(s1, 30 * kS);
  Cross(s2, 60 * kS);
  Cross(sf, 100 * kS);
  Consume();
  EXPECT_EQ(laps_.SelectedTrap(), -1);
  laps_.SelectNextTrap();
  EXPECT_EQ(laps_.SelectedTrap(), s1);
  EXPECT_EQ(laps_.SelectedTrapRow(), 0);
  laps_.SelectNextTrap();
  laps_.SelectNextTrap();
  EXPECT_EQ(laps_.SelectedTrap(), sf);
  EXPECT_EQ(laps_.SelectedTrapRow(), 2);
  laps_.SelectPreviousTrap();
  EXPECT_EQ(laps_.SelectedTrap(), s2);
}

}  // namespace
}  // namespace kv
