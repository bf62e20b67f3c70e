#include "timing/live_figures.h"

#include "timing/lap_fixture.h"

namespace kv {
namespace {

constexpr int32_t kS = 1000;

class LiveFiguresTest : public LapFixture {
 protected:
  LiveFiguresTest() {
    for (const LogSample& s : samples_) all_.Append(s);
  }
  // Keeps only the samples up to `ms`, so that "now" is that time.
  void Now(int32_t ms) {
    samples_.Clear();
    for (const LogSample& s : all_) {
      if (s.time <= ms) samples_.Append(s);
    }
  }
  SampleList all_{kSampleListGrowth};
};

TEST_F(LiveFiguresTest, BestComparedWithItselfUsesThePreviousBest) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  for (int32_t t : {10, 100, 185}) Cross(sf, t * kS);
  Consume();
  EXPECT_EQ(laps_.ComparisonLap(1), &laps_.LapAt(0));
  EXPECT_EQ(laps_.ComparisonLap(0), &laps_.LapAt(1));
  EXPECT_EQ(laps_.ComparisonLap(-1), &laps_.LapAt(1));
  laps_.SetComparisonSelection(7);
  EXPECT_EQ(laps_.ComparisonLap(0), nullptr) << "a lap that does not exist";
  laps_.SetComparisonSelection(LapList::kSelectOptimal);
  EXPECT_EQ(laps_.ComparisonLap(0), laps_.Optimal());
}

TEST_F(LiveFiguresTest, OnlyLapHasNoComparison) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  for (int32_t t : {10, 100}) Cross(sf, t * kS);
  Consume(true);
  EXPECT_EQ(laps_.ComparisonLap(0), nullptr);
  EXPECT_EQ(laps_.LastFinished().lap_index, 0);
  EXPECT_EQ(laps_.LastFinished().lap_time, 90 * kS);
  EXPECT_EQ(laps_.LastFinished().comparison_time, kNotSet);
  Now(105 * kS);
  const LiveFigures f = ComputeLiveFigures(laps_);
  EXPECT_EQ(f.shown_lap, 0);
  EXPECT_EQ(f.shown_difference, kNotSet);
}

TEST_F(LiveFiguresTest, StartFinishJustCrossedShowsTheLapJustFinished) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  for (int32_t t : {10, 100, 185}) Cross(sf, t * kS);
  Consume(true);
  EXPECT_EQ(laps_.LastFinished().comparison_time, 90 * kS);
  Now(195 * kS);
  LiveFigures f = ComputeLiveFigures(laps_);
  EXPECT_EQ(f.shown_lap, 1);  // rule 3
  EXPECT_EQ(f.shown_time, 85 * kS);
  EXPECT_EQ(f.shown_difference, -5 * kS);
  EXPECT_TRUE(f.highlight);
  EXPECT_EQ(f.previous_lap[0], 1);
  EXPECT_EQ(f.previous_lap[1], 0);
  EXPECT_EQ(f.current_lap, 2);
  EXPECT_EQ(f.current_time, 10 * kS);
  EXPECT_EQ(f.comparison_lap, 1);
  EXPECT_EQ(f.comparison_time, 85 * kS);
  EXPECT_TRUE(f.comparison_is_best);
  Now(205 * kS - 1);
  EXPECT_TRUE(ComputeLiveFigures(laps_).highlight) << "less than 20 s after the finish";
  Now(205 * kS);
  EXPECT_FALSE(ComputeLiveFigures(laps_).highlight);
}

TEST_F(LiveFiguresTest, SplitShowsItsDifferenceUnlessTheComparisonNeverCrossedIt) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  const int32_t s1 = AddTrap(kTrapSplit);
  const int32_t s2 = AddTrap(kTrapSplit);
  Cross(sf, 10 * kS);
  Cross(s1, 40 * kS);
  Cross(sf, 100 * kS);
  Cross(s1, 128 * kS);
  Consume(true);
  Now(130 * kS);
  LiveFigures f = ComputeLiveFigures(laps_);
  EXPECT_EQ(f.shown_lap, 1);  // rule 2
  EXPECT_EQ(f.shown_time, 28 * kS);
  EXPECT_EQ(f.shown_difference, -2 * kS);
  EXPECT_EQ(f.last_trap, s1);
  EXPECT_EQ(f.previous_lap[0], 0);
  EXPECT_EQ(f.previous_lap[1], 0);
  EXPECT_TRUE(f.highlight);
  Now(200 * kS);
  Cross(s2, 150 * kS);
  Consume(true);
  Now(165 * kS);
  f = ComputeLiveFigures(laps_);
  EXPECT_EQ(f.shown_time, 50 * kS);
  EXPECT_EQ(f.shown_difference, kNotSet) << "lap 1 never crossed s2";
  EXPECT_FALSE(f.highlight) << "15 s after the split, 65 s into the lap";
}

TEST_F(LiveFiguresTest, SeparateFinishLineShowsTheFinishedLap) {
  const int32_t start = AddTrap(kTrapStart);
  const int32_t finish = AddTrap(kTrapFinish);
  Cross(start, 10 * kS);
  Cross(finish, 100 * kS);
  Consume(true);
  Now(110 * kS);
  const LiveFigures f = ComputeLiveFigures(laps_);
  EXPECT_EQ(f.shown_lap, 0);  // rule 1
  EXPECT_EQ(f.current_lap, -1);
  EXPECT_TRUE(f.highlight);
}

TEST_F(LiveFiguresTest, OtherSessionComparison) {
  const int32_t sf = AddTrap(kTrapStartFinish);
  for (int32_t t : {10, 100, 180}) Cross(sf, t * kS);
  Consume();
  SampleList other_samples(kSampleListGrowth);
  for (int32_t i = 0; i < samples_.Count(); ++i) other_samples.Append(samples_[i]);
  LapList other(other_samples, traps_, settings_, nullptr);
  CrossingList other_crossings(kCrossingListGrowth);
  for (int32_t i = 0; i < crossings_.Count(); ++i) other_crossings.Append(crossings_[i]);
  other.ConsumeCrossings(other_crossings, false);
  laps_.SetOtherSession(&other);
  EXPECT_EQ(laps_.ComparisonLap(1), &other.LapAt(1)) << "no exclusion in another session";
  other.SetComparisonSelection(0);
  const LiveFigures f = ComputeLiveFigures(laps_);
  EXPECT_EQ(f.comparison_lap, 0);
  EXPECT_FALSE(f.comparison_is_best);
}

TEST_F(LiveFiguresTest, SummaryTexts) {
  EXPECT_EQ(LapSummaryText(laps_, 2).AsView(), u"Start line not defined");
  const int32_t start = AddTrap(kTrapStart);
  EXPECT_EQ(LapSummaryText(laps_, 2).AsView(), u"Finish line not defined");
  AddTrap(kTrapFinish);
  EXPECT_EQ(LapSummaryText(laps_, 2).AsView(), u"No completed laps yet");
  Cross(start, 10 * kS);
  Cross(1, 93 * kS + 450);
  Consume();
  EXPECT_EQ(LapSummaryText(laps_, 2).AsView(), u"Best: 1:23.45 (1 laps)");
}

}  // namespace
}  // namespace kv
