#include "timing/live_figures.h"

#include "timing/lap_fixture.h"

namespace kv {
namespace {

class LiveFiguresTest : public LapFixture {
 protected:
  LiveFiguresTest() {
    for (const LogSample& s : samples_) all_.Append(s);
  }
  // The figures when "now" is `ms`: computed on the samples up to then.
  LiveFigures At(int32_t ms) {
    samples_.Clear();
    for (const LogSample& s : all_) {
      if (s.time <= ms) samples_.Append(s);
    }
    const LiveFigures f = ComputeLiveFigures(laps_);
    for (int32_t i = samples_.Count(); i < all_.Count(); ++i) samples_.Append(all_[i]);
    return f;
  }
  SampleList all_{kSampleListGrowth};
};

TEST_F(LiveFiguresTest, FinishedLapAgainstItsComparisonLapNeverItself) {
  AddTraps({kTrapStartFinish});
  Cross(0, 10 * kS);
  Cross(0, 100 * kS);
  Consume(true);
  EXPECT_EQ(laps_.LastFinished().comparison_time, kNotSet) << "the only lap has no comparison";
  EXPECT_EQ(At(105 * kS).shown_difference, kNotSet);
  Cross(0, 185 * kS);
  Consume(true);
  EXPECT_EQ(laps_.LastFinished().comparison_time, 90 * kS) << "the best lap with the previous best";
  LiveFigures f = At(195 * kS);
  EXPECT_EQ(f.shown_lap, 1);
  EXPECT_EQ(f.shown_time, 85 * kS);
  EXPECT_EQ(f.shown_difference, -5 * kS);
  EXPECT_EQ(f.previous_lap[1], 0);
  EXPECT_EQ(f.current_lap, 2);
  EXPECT_EQ(f.current_time, 10 * kS);
  EXPECT_EQ(f.comparison_lap, 1);
  EXPECT_TRUE(f.comparison_is_best);
  EXPECT_TRUE(At(205 * kS - 1).highlight) << "for 20 s after the finish";
  EXPECT_FALSE(At(205 * kS).highlight);
  laps_.SetComparisonSelection(7);
  EXPECT_EQ(laps_.ComparisonLap(0), nullptr) << "a lap that does not exist";
  laps_.SetComparisonSelection(LapList::kSelectOptimal);
  EXPECT_EQ(laps_.ComparisonLap(0), laps_.Optimal());

  LapList other(samples_, traps_, settings_, nullptr);
  other.ConsumeCrossings(crossings_, false);
  laps_.SetOtherSession(&other);
  EXPECT_EQ(laps_.ComparisonLap(1), &other.LapAt(1)) << "no exclusion in another session";
  other.SetComparisonSelection(0);
  f = At(190 * kS);
  EXPECT_EQ(f.comparison_lap, 0);
  EXPECT_FALSE(f.comparison_is_best);
}

TEST_F(LiveFiguresTest, SplitShowsItsDifferenceUnlessTheComparisonNeverCrossedIt) {
  AddTraps({kTrapStartFinish, kTrapSplit, kTrapSplit});
  Cross(0, 10 * kS);
  Cross(1, 40 * kS);
  Cross(0, 100 * kS);
  Cross(1, 128 * kS);
  Consume(true);
  LiveFigures f = At(130 * kS);
  EXPECT_EQ(f.shown_lap, 1);
  EXPECT_EQ(f.shown_time, 28 * kS);
  EXPECT_EQ(f.shown_difference, -2 * kS);
  EXPECT_EQ(f.last_trap, 1);
  EXPECT_EQ(f.previous_lap[0], 0);
  EXPECT_TRUE(f.highlight);
  Cross(2, 150 * kS);
  Consume(true);
  f = At(165 * kS);
  EXPECT_EQ(f.shown_time, 50 * kS);
  EXPECT_EQ(f.shown_difference, kNotSet) << "lap 1 never crossed the second split";
  EXPECT_FALSE(f.highlight) << "15 s after the split, 65 s into the lap";
}

TEST_F(LiveFiguresTest, SeparateFinishLineShowsTheFinishedLap) {
  AddTraps({kTrapStart, kTrapFinish});
  Cross(0, 10 * kS);
  Cross(1, 100 * kS);
  Consume(true);
  const LiveFigures f = At(110 * kS);
  EXPECT_EQ(f.shown_lap, 0);
  EXPECT_EQ(f.current_lap, -1);
  EXPECT_TRUE(f.highlight);
}

}  // namespace
}  // namespace kv
