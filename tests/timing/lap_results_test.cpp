#include "timing/result_table.h"

#include "timing/lap_fixture.h"

namespace kv {
namespace {

constexpr int32_t kS = 1000;

class LapResultsTest : public LapFixture {
 protected:
  // Laps on a start/finish line with the given lap times (s), from 10 s on.
  void DriveLaps(std::initializer_list<int32_t> seconds) {
    const int32_t sf = traps_.Empty() ? AddTrap(kTrapStartFinish) : 0;
    int32_t t = 10 * kS;
    Cross(sf, t);
    for (int32_t s : seconds) {
      t += s * kS;
      Cross(sf, t);
    }
    Consume();
  }
};

TEST_F(LapResultsTest, PreviousBestIsTheBestBeforeTheCurrentBest) {
  DriveLaps({90, 85, 88, 84});
  EXPECT_EQ(laps_.BestIndex(), 3);
  EXPECT_EQ(laps_.PreviousBestIndex(), 1) << "lap 2, not lap 3";
}

TEST_F(LapResultsTest, TiesKeepTheEarlierLap) {
  DriveLaps({90, 85, 85});
  EXPECT_EQ(laps_.BestIndex(), 1);
  EXPECT_EQ(laps_.PreviousBestIndex(), 0);
}

TEST_F(LapResultsTest, OnlyFinishedLapInvalid) {
  DriveLaps({90});
  laps_.SetInvalid(0, true);
  EXPECT_EQ(laps_.Best(), nullptr);
  EXPECT_EQ(laps_.Optimal(), nullptr);
}

TEST_F(LapResultsTest, OptimalLapFromBestSectors) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t s1 = AddTrap(kTrapSplit);
  const int32_t s2 = AddTrap(kTrapSplit);
  // Sectors (sf-s1, s1-s2, s2-sf): lap 1 (30, 30, 30) = 90, lap 2 (25, 35,
  // 28) = 88, lap 3 (31, 27, 31) = 89. Best sectors 25 + 27 + 28 = 80.
  int32_t t = 10 * kS;
  Cross(sf, t);
  for (auto sectors : {std::array{30, 30, 30}, std::array{25, 35, 28}, std::array{31, 27, 31}}) {
    Cross(s1, t += sectors[0] * kS);
    Cross(s2, t += sectors[1] * kS);
    Cross(sf, t += sectors[2] * kS);
  }
  Consume();
  ASSERT_NE(laps_.Optimal(), nullptr);
  const Lap& optimal = *laps_.Optimal();
  EXPECT_TRUE(optimal.IsComposite());
  EXPECT_EQ(optimal.LapTime(), 80 * kS);
  EXPECT_EQ(optimal.SplitTime(s1), 25 * kS);
  EXPECT_EQ(optimal.SplitTime(s2), 52 * kS);
  EXPECT_EQ(optimal.SectorTime(s1, s2), 27 * kS);
  EXPECT_NEAR(optimal.LapDistance(), RadToAngleValue(MetresToRad(1600.0)), 1);
  // 26 s into the optimal lap: 1 s into the second sector, driven in lap 3.
  const int32_t lap3_s1 = laps_.LapAt(2).MarkForTrap(s1)->Time();
  EXPECT_EQ(optimal.TimeIntoLap(lap3_s1 + 1 * kS), 26 * kS);
  EXPECT_EQ(optimal.TimeIntoLap(5), kNotSet) << "a time in no segment";
  EXPECT_EQ(laps_.NoteText(LapList::kSelectOptimal).AsView(), u"Notes for the optimal lap");
  // Invalidating lap 3 takes its sector away.
  laps_.SetInvalid(2, true);
  EXPECT_EQ(laps_.Optimal()->LapTime(), 83 * kS);
}

TEST_F(LapResultsTest, NoOptimalLapWhenASectorWasNeverTimedByAValidLap) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t s1 = AddTrap(kTrapSplit);
  Cross(sf, 10 * kS);
  Cross(sf, 100 * kS);  // lap 1 without the split
  Cross(s1, 130 * kS);  // lap 2 with it
  Cross(sf, 190 * kS);
  Consume();
  ASSERT_NE(laps_.Optimal(), nullptr);
  laps_.SetInvalid(1, true);
  laps_.SetComparisonSelection(1);  // the reference is lap 2, whose split no valid lap has
  laps_.ComputeResults();
  EXPECT_EQ(laps_.Optimal(), nullptr);
}

TEST_F(LapResultsTest, HiLoExtremesWithThreshold) {
  // Threshold 5 m/s; speeds 10, 20, 30, 26, 24, 30 m/s at samples 101..106.
  const double speeds[] = {10, 20, 30, 26, 24, 30};
  for (int32_t i = 0; i < 6; ++i) samples_[101 + i].speed = MetresPerSecondToStored(speeds[i]);
  for (int32_t i = 100; i < 12000; ++i) {
    if (i < 101 || i > 106) samples_[i].speed = MetresPerSecondToStored(30.0);
  }
  samples_[100].speed = MetresPerSecondToStored(3.0);  // below the threshold: no candidate
  const int32_t start = AddTrap(kTrapStart);
  const int32_t finish = AddTrap(kTrapFinish);
  Cross(start, 10 * kS + 50);  // sample 101; the search starts at 100
  Cross(finish, 10 * kS + 550);  // sample 106
  Consume();
  const Lap& lap = laps_.LapAt(0);
  ASSERT_EQ(lap.Extremes().size(), 2u);
  EXPECT_EQ(lap.Extremes()[0].sample_index, 103);
  EXPECT_EQ(lap.Extremes()[0].is_maximum, 1);
  EXPECT_EQ(lap.Extremes()[1].sample_index, 105);
  EXPECT_EQ(lap.Extremes()[1].is_maximum, 0);
  EXPECT_EQ(lap.MinimumSpeed(), MetresPerSecondToStored(3.0));
  EXPECT_EQ(lap.MaximumSpeed(), MetresPerSecondToStored(30.0));
  const std::vector<ExtremeRow> rows = ExtremeRows(lap);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[0].is_high);
  EXPECT_EQ(rows[0].time_into_lap, 10300 - 10050);
  EXPECT_EQ(rows[1].speed, MetresPerSecondToStored(24.0));
}

TEST_F(LapResultsTest, SlowLapHasNoExtremesButMinimumAndMaximum) {
  for (int32_t i = 0; i < 12000; ++i) samples_[i].speed = MetresPerSecondToStored(1.0 + (i % 3));
  DriveLaps({60});
  const Lap& lap = laps_.LapAt(0);
  EXPECT_TRUE(lap.Extremes().empty());
  EXPECT_EQ(lap.MinimumSpeed(), MetresPerSecondToStored(1.0));
  EXPECT_EQ(lap.MaximumSpeed(), MetresPerSecondToStored(3.0));
}

TEST_F(LapResultsTest, ExtremeNavigationWrapsAndFindsTheNearest) {
  for (int32_t i = 0; i < 12000; ++i) samples_[i].speed = MetresPerSecondToStored(i % 200 < 100 ? 10.0 : 40.0);
  DriveLaps({60});
  laps_.SetSelectedLap(0);
  const auto& extremes = laps_.LapAt(0).Extremes();
  ASSERT_GE(extremes.size(), 3u);
  const auto count = static_cast<int32_t>(extremes.size());
  laps_.SelectPreviousExtreme();
  EXPECT_EQ(laps_.SelectedExtreme(), count - 1);
  laps_.SelectNextExtreme();
  EXPECT_EQ(laps_.SelectedExtreme(), 0);
  const IntPoint near_second = samples_[extremes[1].sample_index].position;
  EXPECT_EQ(laps_.NearestExtreme({near_second.lat + 150, near_second.lon}), 1);
}

TEST_F(LapResultsTest, ResultCellsAgainstTheComparisonLap) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t s1 = AddTrap(kTrapSplit);
  Cross(sf, 10 * kS);
  Cross(s1, 40 * kS);
  Cross(sf, 100 * kS);  // lap 1: 30 + 60 = 90
  Cross(sf, 185 * kS);  // lap 2: no split, 85
  Consume();
  const Lap& lap1 = laps_.LapAt(0);
  const Lap& lap2 = laps_.LapAt(1);
  // Sectors of lap 1's marks: lap time, sf->s1, s1->sf.
  std::vector<ResultCell> row = ResultRow(ResultTable::kSectors, lap1, &lap2, &lap1);
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[0].value, 90 * kS);
  EXPECT_EQ(row[0].difference, 5 * kS);
  EXPECT_EQ(row[0].sign, 1);
  EXPECT_EQ(row[1].value, 30 * kS);
  EXPECT_FALSE(row[1].ShowsStar(ResultsMode::kAbsolute));
  EXPECT_TRUE(row[1].ShowsStar(ResultsMode::kDifference)) << "lap 2 has no split";
  row = ResultRow(ResultTable::kSplits, lap2, &lap1, &lap1);
  ASSERT_EQ(row.size(), 2u);
  EXPECT_TRUE(row[0].ShowsStar(ResultsMode::kAbsolute));
  EXPECT_EQ(row[1].Shown(ResultsMode::kDifference), -5 * kS);
  EXPECT_EQ(row[1].sign, -1);
  row = ResultRow(ResultTable::kTrapSpeeds, lap1, &lap1, &lap1);
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[0].value, MetresPerSecondToStored(20.0));
  EXPECT_EQ(row[2].sign, 0);
  row = ResultRow(ResultTable::kInformation, lap1, nullptr, &lap1);
  ASSERT_EQ(row.size(), static_cast<size_t>(kInfoCount));
  EXPECT_NEAR(RadToMetres(StoredToSpeed(row[kInfoAverageSpeed].value)), 20.0, 1e-3);
  EXPECT_NEAR(RadToMetres(AngleValueToRad(row[kInfoDistance].value)), 1800.0, 0.01);
  EXPECT_EQ(row[kInfoMaxSpeed].difference, kNotSet);
  // Row marks: lap 2 is the best, so lap 1 is compared with it.
  EXPECT_TRUE(MarksOfRow(laps_, 1).is_comparison);
  EXPECT_FALSE(MarksOfRow(laps_, 0).is_comparison);
}

}  // namespace
}  // namespace kv
