#include "timing/lap_list.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "support/session_pipeline.h"
#include "timing/live_figures.h"
#include "timing/result_table.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {
namespace {

constexpr int32_t kS = 1000;  // ms

// Hand-made crossings on samples every 100 ms at a constant 20 m/s, so
// lap, split and sector times are round numbers. The newest sample is the
// live figures' "now".
class LapListTest : public ::testing::Test {
 protected:
  static constexpr int32_t kStep = 100;  // ms between samples

  // Samples up to `ms`.
  void Until(int32_t ms) {
    for (int32_t i = samples_.Count(); i * kStep <= ms; ++i) {
      LogSample s;
      s.time = i * kStep;
      s.position = {i * 100, i * 100};
      s.speed = MetresPerSecondToStored(20.0);
      s.distance = RadToAngleValue(MetresToRad(2.0 * i));
      samples_.Append(s);
    }
  }

  // No samples, laps or crossings, and traps of these types (their geometry unused).
  void Restart(const std::vector<TrapLineType>& types) {
    samples_.Clear();
    traps_.Clear();
    crossings_.Clear();
    laps_.Reset();
    for (TrapLineType type : types) {
      Trap trap;
      trap.line_type = type;
      traps_.Append(trap);
    }
  }

  // A crossing of `trap` at time `ms` (a multiple of 10 ms), found between
  // the samples around it, `gap` ms apart.
  void Cross(int32_t trap, int32_t ms, int32_t gap = kStep, uint8_t extra_flags = 0) {
    Until(ms + kStep);
    TrapCrossing c;
    c.trap_index = trap;
    c.sample_index = ms / kStep + 1;
    c.sample_interval = gap;
    c.crossing_sample = InterpolateSample(samples_, c.sample_index, (ms % kStep) / static_cast<double>(kStep));
    c.crossing_sample.flags |= extra_flags;
    crossings_.Append(c);
  }

  bool Consume(bool live = false) { return laps_.ConsumeCrossings(crossings_, live); }

  // The laps as text: each lap's time (ms, "-" unfinished) and, in
  // parentheses, its split times.
  std::string Laps() const {
    std::string out;
    for (int32_t i = 0; i < laps_.LapCount(); ++i) {
      const Lap& lap = laps_.LapAt(i);
      out.append(i ? " " : "").append(lap.IsFinished() ? std::to_string(lap.LapTime()) : std::string("-"));
      for (int32_t k = 0; k < lap.SplitCount(); ++k)
        out.append("(").append(std::to_string(lap.SplitTime(lap.MarkAt(k).trap_index))).append(")");
    }
    return out;
  }

  // What the timer shows at `ms` (no later than the newest sample): the
  // shown lap, its time and difference ("-" none), the last trap, the
  // running lap, the comparison lap (the best or another one) and "!" while
  // highlighted.
  std::string At(int32_t ms) {
    Until(ms);
    const LiveFigures f = ComputeLiveFigures(laps_);
    const auto time = [](int32_t t) { return IsSet(t) ? std::to_string(t) : std::string("-"); };
    return "lap " + std::to_string(f.shown_lap) + ": " + time(f.shown_time) + " " + time(f.shown_difference) +
           " at trap " + std::to_string(f.last_trap) + ", running " + std::to_string(f.current_lap) + ", against " +
           (f.comparison_is_best ? "best " : "other ") + std::to_string(f.comparison_lap) + (f.highlight ? " !" : "");
  }

  SampleList samples_{kSampleListGrowth};
  TrapList traps_{kTrapListGrowth};
  CrossingList crossings_{kCrossingListGrowth};
  LapSettings settings_;
  sim::MemoryNoteStore notes_;
  LapList laps_{samples_, traps_, settings_, &notes_};
};

TEST_F(LapListTest, CrossingSequences) {
  constexpr uint8_t kNoSat = LogSample::kLoadedWithoutSatellites;
  struct Crossing {
    int32_t trap;
    double s;
    int32_t gap = kStep;  // ms between the samples around it
    uint8_t flags = 0;
    double clock = -1.0;  // s, the time the crossing shows when the clock stepped back
  };
  struct Case {
    const char* legend;
    std::vector<TrapLineType> traps;
    std::vector<Crossing> crossings;
    std::string laps;
  } cases[] = {
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
      // Regression: a receiver replaying its log again made time jump back 3
      // minutes across the line, and the lap came out as -3:10.045, marked best.
      {"an interval running backwards neither finishes nor starts a lap",
       {kTrapStartFinish, kTrapSplit},
       {{0, 100}, {1, 120}, {0, 150, -190 * kS}},
       "-(20000)"},
      {"the clock stepped back between intervals: a finish before the start starts the next lap",
       {kTrapStartFinish, kTrapSplit},
       {{0, 100}, {1, 120}, {1, 160, kStep, 0, 90}, {0, 170, kStep, 0, 95}},
       "-(20000) -"},
  };
  for (const Case& c : cases) {
    Restart(c.traps);
    for (const Crossing& x : c.crossings) {
      Cross(x.trap, static_cast<int32_t>(std::lround(x.s * kS)), x.gap, x.flags);
      if (x.clock >= 0) crossings_[crossings_.Count() - 1].crossing_sample.time = static_cast<int32_t>(x.clock * kS);
    }
    Consume();
    EXPECT_EQ(Laps(), c.laps) << c.legend;
  }
  Restart({kTrapSplit, kTrapFinish});
  EXPECT_EQ(LapSummaryText(laps_, 2), Load(kStrStatusNoStartLine));
  Restart({kTrapSplit, kTrapStart});
  EXPECT_EQ(LapSummaryText(laps_, 2), Load(kStrStatusNoFinishLine));
}

TEST_F(LapListTest, BestAndOptimalLapTableRowsAndTrapSelection) {
  Restart({kTrapStartFinish, kTrapSplit, kTrapSplit});
  // Sectors (sf-s1, s1-s2, s2-sf): lap 1 (30, 30, 30) = 90, lap 2 (25, 35,
  // 28) = 88, lap 3 (31, 27, 31) = 89, lap 4 (30, 30, 28) = 88. Best
  // sectors 25 + 27 + 28 = 80.
  int32_t t = 10 * kS;
  Cross(0, t);
  for (auto sectors :
       {std::array{30, 30, 30}, std::array{25, 35, 28}, std::array{31, 27, 31}, std::array{30, 30, 28}}) {
    Cross(1, t += sectors[0] * kS);
    Cross(2, t += sectors[1] * kS);
    Cross(0, t += sectors[2] * kS);
  }
  Consume();
  ASSERT_NE(laps_.Optimal(), nullptr);
  const Lap& optimal = *laps_.Optimal();
  EXPECT_EQ(optimal.LapTime(), 80 * kS);
  EXPECT_EQ(optimal.SplitTime(2), 52 * kS);
  // 26 s into the optimal lap: 1 s into the second sector, driven in lap 3.
  EXPECT_EQ(optimal.TimeIntoLap(laps_.LapAt(2).MarkForTrap(1)->Time() + 1 * kS), 26 * kS);
  EXPECT_EQ(optimal.TimeIntoLap(5), kNotSet) << "a time in no segment";
  laps_.SetInvalid(2, true);
  EXPECT_TRUE(laps_.IsInvalid(2)) << "kept in the session header's notes";
  EXPECT_EQ(laps_.Optimal()->LapTime(), 83 * kS) << "an invalid lap's sector does not count";
  EXPECT_EQ(laps_.BestIndex(), 1) << "lap 4 ties with lap 2";

  EXPECT_EQ(laps_.TableRows(), (std::vector<int32_t>{LapList::kSelectOptimal, 0, 1, 2, 3, 4}));
  settings_.hide_invalid_laps = true;
  EXPECT_EQ(laps_.TableRows(), (std::vector<int32_t>{LapList::kSelectOptimal, 0, 1, 3, 4}));
  laps_.SelectRow(3);
  EXPECT_EQ(laps_.SelectedLap(), 3);
  // The reference lap, the best (lap 2), has its marks in the order s1, s2,
  // sf: three steps forward and one back, as "trap/row".
  std::string walk = std::to_string(laps_.SelectedTrap());
  for (const bool forward : {true, true, true, false}) {
    forward ? laps_.SelectNextTrap() : laps_.SelectPreviousTrap();
    walk.append(" ").append(std::to_string(laps_.SelectedTrap())).append("/");
    walk.append(std::to_string(laps_.SelectedTrapRow()));
  }
  EXPECT_EQ(walk, "-1 1/0 2/1 0/2 2/1");

  for (int32_t i : {0, 1, 3}) laps_.SetInvalid(i, true);
  EXPECT_EQ(laps_.BestIndex(), LapList::kNone);
  EXPECT_EQ(laps_.Optimal(), nullptr);
}

TEST_F(LapListTest, HiLoExtremesWithThresholdAndTheirNavigation) {
  Restart({kTrapStart, kTrapFinish});
  Until(11 * kS);
  // Threshold 5 m/s; 3 m/s at sample 100 is below it, no candidate.
  const double speeds[] = {3, 10, 20, 30, 26, 24, 30, 21, 20};
  for (int32_t i = 0; i < 9; ++i) samples_[100 + i].speed = MetresPerSecondToStored(speeds[i]);
  Cross(0, 10 * kS + 50);   // sample 101; the search starts at 100
  Cross(1, 10 * kS + 750);  // sample 108
  Consume();
  const Lap& lap = laps_.LapAt(0);
  std::string found;
  for (const SpeedExtreme& e : lap.Extremes()) found += std::to_string(e.sample_index) + (e.is_maximum ? "+ " : "- ");
  EXPECT_EQ(found, "103+ 105- 106+ ") << "26 is within the threshold of both 30 and 24";
  EXPECT_EQ(lap.MinimumSpeed(), MetresPerSecondToStored(3.0)) << "a sample below the threshold still counts";
  laps_.SetSelectedLap(0);
  laps_.SelectPreviousExtreme();
  EXPECT_EQ(laps_.SelectedExtreme(), 2) << "from none back to the last";
  laps_.SelectNextExtreme();
  EXPECT_EQ(laps_.SelectedExtreme(), 0);
  const IntPoint near_second = samples_[105].position;
  EXPECT_EQ(laps_.NearestExtreme({near_second.lat - 150, near_second.lon}), 1);
}

// Driven live: lap 1 (split 30 s, 90 s), lap 2 (split 28 s, a second split,
// 85 s); what the timer shows after each crossing, and the result rows.
TEST_F(LapListTest, LiveFiguresAgainstTheComparisonLapNeverItself) {
  Restart({kTrapStartFinish, kTrapSplit, kTrapSplit});
  Cross(0, 10 * kS);
  Cross(1, 40 * kS);
  Cross(0, 100 * kS);
  Consume(true);
  EXPECT_EQ(laps_.LastFinished().comparison_time, kNotSet) << "the only lap has no comparison";
  Cross(1, 128 * kS);
  Consume(true);
  EXPECT_EQ(At(130 * kS), "lap 1: 28000 -2000 at trap 1, running 1, against best 0 !");
  Cross(2, 150 * kS);
  Consume(true);
  // Lap 1 never crossed the second split; 15 s after it, 65 s into the lap, no highlight.
  EXPECT_EQ(At(165 * kS), "lap 1: 50000 - at trap 2, running 1, against best 0");
  int32_t from, to;
  laps_.LapAt(1).SectorBounds(-1, &from, &to);
  EXPECT_EQ(std::make_pair(from, to), std::make_pair(0, 2)) << "a running lap, to its last split";
  Cross(0, 185 * kS);
  Consume(true);
  EXPECT_EQ(laps_.LastFinished().comparison_time, 90 * kS) << "the best lap with the previous best";
  EXPECT_EQ(At(195 * kS), "lap 1: 85000 -5000 at trap 0, running 2, against best 1 !");
  EXPECT_TRUE(At(205 * kS - 1).ends_with(" !")) << "for 20 s after the finish";
  EXPECT_FALSE(At(205 * kS).ends_with(" !"));

  const Lap &lap1 = laps_.LapAt(0), &lap2 = laps_.LapAt(1);
  // Lap 1's sectors against lap 2: lap time, start -> split 1, split 1 -> finish.
  std::vector<ResultCell> row = ResultRow(ResultTable::kSectors, lap1, &lap2, &lap1);
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[0].sign, 1) << "slower";
  EXPECT_EQ(row[2].difference, 3 * kS) << "lap 2's sector walks past its second split";
  row = ResultRow(ResultTable::kSplits, lap2, &lap1, &lap2);
  EXPECT_EQ(row[0].sign, -1) << "faster";
  EXPECT_FALSE(row[1].ShowsStar(ResultsMode::kAbsolute));
  EXPECT_TRUE(row[1].ShowsStar(ResultsMode::kDifference)) << "lap 1 has no second split";
  EXPECT_NEAR(RadToMetres(StoredToSpeed(AverageSpeed(lap1))), 20.0, 1e-3);
  EXPECT_NEAR(RadToMetres(AngleValueToRad(lap1.SplitDistance(1))), 600.0, 0.02);  // a stored unit is 1.85 cm
  lap2.SectorBounds(-1, &from, &to);
  EXPECT_EQ(std::make_pair(from, to), std::make_pair(0, 0)) << "the whole lap";
  // Regression: the running lap showed a split of 0.000 at its start/finish
  // line and its start speed again as its finish speed.
  for (const ResultTable table : {ResultTable::kSplits, ResultTable::kTrapSpeeds}) {
    row = ResultRow(table, laps_.LapAt(2), &lap2, &lap2);
    EXPECT_TRUE(row.back().ShowsStar(ResultsMode::kAbsolute)) << "no finish yet";
  }
  EXPECT_TRUE(MarksOfRow(laps_, 1).is_comparison) << "lap 2 is the best, so the others compare with it";

  LapList other(samples_, traps_, settings_, nullptr);
  other.ConsumeCrossings(crossings_, false);
  laps_.SetOtherSession(&other);
  EXPECT_EQ(laps_.ComparisonLap(1), &other.LapAt(1)) << "no exclusion in another session";
  other.SetComparisonSelection(0);
  EXPECT_EQ(laps_.ReferenceLap(), &other.LapAt(0)) << "its sectors too";
  EXPECT_EQ(At(205 * kS), "lap 1: 85000 -5000 at trap 0, running 2, against other 0");
  laps_.SetOtherSession(nullptr);

  Restart({kTrapStart, kTrapFinish});
  Cross(0, 10 * kS);
  Cross(1, 100 * kS);
  Consume(true);
  EXPECT_EQ(At(110 * kS), "lap 0: 90000 - at trap 1, running -1, against best 0 !")
      << "a separate finish line, the next lap not started";
}

}  // namespace
}  // namespace kv
