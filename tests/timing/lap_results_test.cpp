#include <array>

#include "timing/lap_fixture.h"
#include "timing/result_table.h"

namespace kv {
namespace {

using LapResultsTest = LapFixture;

TEST_F(LapResultsTest, BestAndPreviousBest) {
  struct Case {
    const char* legend;
    std::initializer_list<int32_t> seconds;
    int32_t invalid, best, previous_best;
  } cases[] = {
      {"the previous best is the best before the current best, not the second fastest", {90, 85, 88, 84}, -1, 3, 1},
      {"ties keep the earlier lap", {90, 85, 85}, -1, 1, 0},
      {"the only finished lap invalid: no best and no optimal lap", {90}, 0, -1, -1},
  };
  for (const Case& c : cases) {
    traps_.Clear();
    crossings_.Clear();
    laps_.Reset();
    AddTraps({kTrapStartFinish});
    DriveLaps(c.seconds);
    if (c.invalid >= 0) laps_.SetInvalid(c.invalid, true);
    EXPECT_EQ(laps_.BestIndex(), c.best) << c.legend;
    EXPECT_EQ(laps_.PreviousBestIndex(), c.previous_best) << c.legend;
    EXPECT_EQ(laps_.Optimal() != nullptr, c.best >= 0) << c.legend;
  }
}

TEST_F(LapResultsTest, OptimalLapFromBestSectors) {
  AddTraps({kTrapStartFinish, kTrapSplit, kTrapSplit});
  // Sectors (sf-s1, s1-s2, s2-sf): lap 1 (30, 30, 30) = 90, lap 2 (25, 35,
  // 28) = 88, lap 3 (31, 27, 31) = 89. Best sectors 25 + 27 + 28 = 80.
  int32_t t = 10 * kS;
  Cross(0, t);
  for (auto sectors : {std::array{30, 30, 30}, std::array{25, 35, 28}, std::array{31, 27, 31}}) {
    Cross(1, t += sectors[0] * kS);
    Cross(2, t += sectors[1] * kS);
    Cross(0, t += sectors[2] * kS);
  }
  Consume();
  ASSERT_NE(laps_.Optimal(), nullptr);
  const Lap& optimal = *laps_.Optimal();
  EXPECT_TRUE(optimal.IsComposite());
  EXPECT_EQ(optimal.LapTime(), 80 * kS);
  EXPECT_EQ(optimal.SplitTime(2), 52 * kS);
  EXPECT_EQ(optimal.SectorTime(1, 2), 27 * kS);
  EXPECT_NEAR(optimal.LapDistance(), RadToAngleValue(MetresToRad(1600.0)), 1);
  // 26 s into the optimal lap: 1 s into the second sector, driven in lap 3.
  EXPECT_EQ(optimal.TimeIntoLap(laps_.LapAt(2).MarkForTrap(1)->Time() + 1 * kS), 26 * kS);
  EXPECT_EQ(optimal.TimeIntoLap(5), kNotSet) << "a time in no segment";
  EXPECT_EQ(laps_.NoteText(LapList::kSelectOptimal).AsView(), u"Notes for the optimal lap");
  laps_.SetInvalid(2, true);
  EXPECT_EQ(laps_.Optimal()->LapTime(), 83 * kS) << "an invalid lap's sector does not count";
}

TEST_F(LapResultsTest, HiLoExtremesWithThreshold) {
  // Threshold 5 m/s; speeds 10, 20, 30, 26, 24, 30 m/s at samples 101..106.
  const double speeds[] = {10, 20, 30, 26, 24, 30};
  for (int32_t i = 100; i < 12000; ++i) samples_[i].speed = MetresPerSecondToStored(30.0);
  for (int32_t i = 0; i < 6; ++i) samples_[101 + i].speed = MetresPerSecondToStored(speeds[i]);
  samples_[100].speed = MetresPerSecondToStored(3.0);  // below the threshold: no candidate
  AddTraps({kTrapStart, kTrapFinish});
  Cross(0, 10 * kS + 50);   // sample 101; the search starts at 100
  Cross(1, 10 * kS + 550);  // sample 106
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

TEST_F(LapResultsTest, ExtremeNavigationWrapsAndFindsTheNearest) {
  for (int32_t i = 0; i < 12000; ++i) samples_[i].speed = MetresPerSecondToStored(i % 200 < 100 ? 10.0 : 40.0);
  AddTraps({kTrapStartFinish});
  DriveLaps({60});
  laps_.SetSelectedLap(0);
  const auto& extremes = laps_.LapAt(0).Extremes();
  ASSERT_GE(extremes.size(), 3u);
  laps_.SelectPreviousExtreme();
  EXPECT_EQ(laps_.SelectedExtreme(), static_cast<int32_t>(extremes.size()) - 1);
  laps_.SelectNextExtreme();
  EXPECT_EQ(laps_.SelectedExtreme(), 0);
  const IntPoint near_second = samples_[extremes[1].sample_index].position;
  EXPECT_EQ(laps_.NearestExtreme({near_second.lat + 150, near_second.lon}), 1);
}

TEST_F(LapResultsTest, ResultCellsAgainstTheComparisonLap) {
  AddTraps({kTrapStartFinish, kTrapSplit});
  Cross(0, 10 * kS);
  Cross(1, 40 * kS);
  Cross(0, 100 * kS);  // lap 1: 30 + 60 = 90
  Cross(0, 185 * kS);  // lap 2: no split, 85
  Consume();
  const Lap& lap1 = laps_.LapAt(0);
  const Lap& lap2 = laps_.LapAt(1);
  // Sectors of lap 1's marks: lap time, sf->s1, s1->sf.
  std::vector<ResultCell> row = ResultRow(ResultTable::kSectors, lap1, &lap2, &lap1);
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[0].difference, 5 * kS);
  EXPECT_EQ(row[0].sign, 1);
  EXPECT_FALSE(row[1].ShowsStar(ResultsMode::kAbsolute));
  EXPECT_TRUE(row[1].ShowsStar(ResultsMode::kDifference)) << "lap 2 has no split";
  row = ResultRow(ResultTable::kSplits, lap2, &lap1, &lap1);
  ASSERT_EQ(row.size(), 2u);
  EXPECT_TRUE(row[0].ShowsStar(ResultsMode::kAbsolute));
  EXPECT_EQ(row[1].Shown(ResultsMode::kDifference), -5 * kS);
  EXPECT_EQ(row[1].sign, -1);
  row = ResultRow(ResultTable::kInformation, lap1, nullptr, &lap1);
  ASSERT_EQ(row.size(), static_cast<size_t>(kInfoCount));
  EXPECT_NEAR(RadToMetres(StoredToSpeed(row[kInfoAverageSpeed].value)), 20.0, 1e-3);
  EXPECT_EQ(row[kInfoMaxSpeed].difference, kNotSet) << "no comparison lap";
  EXPECT_TRUE(MarksOfRow(laps_, 1).is_comparison) << "lap 2 is the best, so lap 1 is compared with it";
  EXPECT_FALSE(MarksOfRow(laps_, 0).is_comparison);
}

}  // namespace
}  // namespace kv
