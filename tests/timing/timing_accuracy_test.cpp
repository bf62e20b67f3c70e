// The engine against the simulator's known crossing instants, driven end to
// end: simulated NMEA -> parser -> sample builder -> crossings -> laps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "support/session_pipeline.h"
#include "support/track_simulator.h"

namespace kv {
namespace {

using sim::SessionPipeline;
using sim::SimConfig;
using sim::TrackSimulator;

SimConfig Circuit(int32_t rate_hz, int32_t laps = 3) {
  SimConfig c;
  c.circuit = sim::RoundedRectangle();
  c.rate_hz = rate_hz;
  c.laps = laps;
  // Off the sample grid, so that no line passes exactly through a sample.
  c.start_offset_ms = -1537.0;
  return c;
}

// Distances into the lap (m) of the lines used below.
constexpr double kOnStraight = 40.0;     // south straight, 30 m/s
constexpr double kCorner1Middle = 135.0;  // inside the first corner, 15 m/s

struct Measured {
  double worst_error_ms = 0.0;
  int32_t compared = 0;
};

// Start marks against the true instants of the start/finish line, and the
// split marks of trap `split` against its instants.
Measured CompareWithTruth(const TrackSimulator& sim, SessionPipeline& run, int32_t split) {
  const LapList& laps = run.Laps();
  const TrapList& traps = laps.Traps();
  const std::vector<double> sf = sim.CrossingTimes(traps[0]);
  const std::vector<double> split_truth = sim.CrossingTimes(traps[split]);
  Measured m;
  EXPECT_EQ(laps.LapCount(), static_cast<int32_t>(sf.size()));
  for (int32_t i = 0; i < laps.LapCount() && i < static_cast<int32_t>(sf.size()); ++i) {
    const Lap& lap = laps.LapAt(i);
    m.worst_error_ms = std::max(m.worst_error_ms, std::fabs(lap.Start().Time() - sf[static_cast<size_t>(i)]));
    ++m.compared;
    if (i + 1 < static_cast<int32_t>(sf.size())) {
      const double truth = sf[static_cast<size_t>(i) + 1] - sf[static_cast<size_t>(i)];
      m.worst_error_ms = std::max(m.worst_error_ms, std::fabs(lap.LapTime() - truth));
    }
    for (double t : split_truth) {
      if (t > sf[static_cast<size_t>(i)] && (i + 1 == static_cast<int32_t>(sf.size()) || t < sf[static_cast<size_t>(i) + 1])) {
        const LapMark* mark = lap.MarkForTrap(split);
        EXPECT_NE(mark, nullptr) << "lap " << i;
        if (mark != nullptr) m.worst_error_ms = std::max(m.worst_error_ms, std::fabs(mark->Time() - t));
      }
    }
  }
  return m;
}

struct AccuracyCase {
  int32_t rate_hz;
  double split_at;     // m into the lap
  double tolerance_ms;
};

class TimingAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

TEST_P(TimingAccuracy, LapAndSplitTimesMatchTheTrueCrossings) {
  const AccuracyCase& c = GetParam();
  TrackSimulator sim(Circuit(c.rate_hz));
  TrapList traps(kTrapListGrowth);
  traps.Append(sim.TrapAt(0.0, kTrapStartFinish));
  traps.Append(sim.TrapAt(c.split_at, kTrapSplit));
  SessionPipeline run(traps);
  run.Feed(sim.Nmea());
  const Measured m = CompareWithTruth(sim, run, 1);
  EXPECT_GE(m.compared, 4);
  EXPECT_LE(m.worst_error_ms, c.tolerance_ms) << c.rate_hz << " Hz, split at " << c.split_at << " m";
  std::printf("[ accuracy ] %d Hz, split at %.0f m: worst error %.2f ms over %d laps\n", c.rate_hz, c.split_at,
              m.worst_error_ms, m.compared);

  // Recomputing gives exactly the laps the live run gave.
  std::vector<std::vector<int32_t>> live;
  for (int32_t i = 0; i < run.Laps().LapCount(); ++i) {
    const Lap& lap = run.Laps().LapAt(i);
    live.push_back({lap.Start().Time(), lap.LapTime(), lap.SplitTime(1), lap.Start().sample_index});
  }
  run.Laps().Recompute(run.Crossings());
  ASSERT_EQ(run.Laps().LapCount(), static_cast<int32_t>(live.size()));
  for (int32_t i = 0; i < run.Laps().LapCount(); ++i) {
    const Lap& lap = run.Laps().LapAt(i);
    EXPECT_EQ((std::vector<int32_t>{lap.Start().Time(), lap.LapTime(), lap.SplitTime(1), lap.Start().sample_index}),
              live[static_cast<size_t>(i)]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, TimingAccuracy,
    ::testing::Values(AccuracyCase{20, kOnStraight, 2.0}, AccuracyCase{20, kCorner1Middle, 2.0},
                      AccuracyCase{10, kOnStraight, 2.0}, AccuracyCase{10, kCorner1Middle, 2.0},
                      AccuracyCase{5, kOnStraight, 2.0}, AccuracyCase{5, kCorner1Middle, 10.0},
                      AccuracyCase{1, kOnStraight, 30.0}, AccuracyCase{1, kCorner1Middle, 100.0}),
    [](const auto& info) {
      return std::to_string(info.param.rate_hz) + "Hz_" + (info.param.split_at == kOnStraight ? "straight" : "curve");
    });

class EndToEnd : public ::testing::Test {
 protected:
  std::vector<int32_t> Run(const SimConfig& config, const TrapList& traps) {
    TrackSimulator sim(config);
    pipeline_ = std::make_unique<SessionPipeline>(traps);
    pipeline_->Feed(sim.Nmea());
    return sim::LapTimes(pipeline_->Laps());
  }
  std::unique_ptr<SessionPipeline> pipeline_;
};

TEST_F(EndToEnd, SeparateStartAndFinishLines) {
  TrackSimulator sim(Circuit(10));
  TrapList traps(kTrapListGrowth);
  traps.Append(sim.TrapAt(10.0, kTrapStart));
  traps.Append(sim.TrapAt(sim.LapLength() - 10.0, kTrapFinish));
  const std::vector<int32_t> times = Run(Circuit(10), traps);
  const double expected = sim.TimeAtDistance(sim.LapLength() - 10.0) - sim.TimeAtDistance(10.0);
  ASSERT_EQ(times.size(), 3u);
  for (int32_t t : times) EXPECT_NEAR(t, expected, 2.0);
}

TEST_F(EndToEnd, UnidirectionalLineDrivenBothWays) {
  TrackSimulator sim(Circuit(10));
  TrapList traps(kTrapListGrowth);
  traps.Append(sim.TrapAt(0.0, kTrapStartFinish, 20.0, true));
  EXPECT_EQ(Run(Circuit(10), traps).size(), 3u) << "along its bearing";
  traps[0].bearing = NormaliseAngle(traps[0].bearing + kPi);
  BuildLine(traps[0]);
  EXPECT_EQ(Run(Circuit(10), traps).size(), 0u) << "against it";
  traps[0].unidirectional = 0;
  EXPECT_EQ(Run(Circuit(10), traps).size(), 3u) << "either way without the flag";
}

TEST_F(EndToEnd, SplitCrossedTwicePerLapCountsOnce) {
  TrackSimulator sim(Circuit(10));
  TrapList traps(kTrapListGrowth);
  traps.Append(sim.TrapAt(0.0, kTrapStartFinish));
  // A north-south line across both long straights, 60 m east of the start.
  Trap wide = sim.TrapAt(60.0, kTrapSplit, 200.0);
  traps.Append(wide);
  Run(Circuit(10), traps);
  const Lap& lap = pipeline_->Laps().LapAt(0);
  ASSERT_EQ(lap.SplitCount(), 1);
  EXPECT_NEAR(lap.SplitTime(1), 2000.0, 2.0) << "the first crossing, 60 m at 30 m/s";
}

TEST_F(EndToEnd, SplitAndFinishInOneSampleInterval) {
  SimConfig config = Circuit(1);
  TrackSimulator sim(config);
  TrapList traps(kTrapListGrowth);
  traps.Append(sim.TrapAt(0.0, kTrapStartFinish));
  traps.Append(sim.TrapAt(3.0, kTrapSplit));  // 100 ms after the line at 30 m/s
  Run(config, traps);
  const LapList& laps = pipeline_->Laps();
  ASSERT_EQ(laps.LapCount(), 4);
  for (int32_t i = 0; i < 4; ++i) {
    ASSERT_EQ(laps.LapAt(i).SplitCount(), 1) << i;
    EXPECT_NEAR(laps.LapAt(i).SplitTime(1), 100.0, 30.0);
  }
}

TEST_F(EndToEnd, GapsInTheData) {
  struct Case {
    const char* legend;
    double gap_ms;  // epochs missing around the line
    sim::DropoutKind kind;
    bool split_counted;
    bool finish_counted;
  } cases[] = {
      {"1800 ms", 1800, sim::DropoutKind::kMissing, true, true},
      {"2300 ms: split ignored", 2300, sim::DropoutKind::kMissing, false, true},
      {"2800 ms without fix: split ignored", 2800, sim::DropoutKind::kNoFix, false, true},
      {"3300 ms: finish ignored too", 3300, sim::DropoutKind::kMissing, false, false},
  };
  for (const Case& c : cases) {
    SimConfig config = Circuit(10, 2);
    TrackSimulator plain(config);
    // Both lines inside the dropout of the second lap's end.
    const double line_time = plain.LapDuration() * 2;
    // The samples around both lines end up gap_ms (+-100 ms) apart.
    config.dropouts.push_back({line_time - 700, line_time - 700 + c.gap_ms - 100, c.kind});
    TrapList traps(kTrapListGrowth);
    // The split first: crossed in the same interval as the finish, it then
    // still belongs to the lap that is finishing.
    traps.Append(plain.TrapAt(plain.LapLength() - 15.0, kTrapSplit));  // 0.5 s before the line
    traps.Append(plain.TrapAt(0.0, kTrapStartFinish));
    Run(config, traps);
    const LapList& laps = pipeline_->Laps();
    const Lap& second = laps.LapAt(1);
    EXPECT_EQ(second.SplitCount() == 1, c.split_counted) << c.legend;
    EXPECT_EQ(second.IsFinished(), c.finish_counted) << c.legend;
    EXPECT_EQ(laps.LapCount(), c.finish_counted ? 3 : 2) << c.legend;
  }
}

TEST_F(EndToEnd, InvalidLapStaysInvalidAfterRecompute) {
  TrackSimulator sim(Circuit(10));
  TrapList traps(kTrapListGrowth);
  traps.Append(sim.TrapAt(0.0, kTrapStartFinish));
  Run(Circuit(10), traps);
  LapList& laps = pipeline_->Laps();
  laps.SetInvalid(1, true);
  laps.Recompute(pipeline_->Crossings());
  EXPECT_FALSE(laps.IsInvalid(0));
  EXPECT_TRUE(laps.IsInvalid(1));
  EXPECT_FALSE(laps.IsInvalid(2));
}

TEST_F(EndToEnd, NoisyPositionsStillGiveEveryLap) {
  SimConfig config = Circuit(10, 5);
  config.noise_m = 0.5;
  config.vtg = true;
  config.gga_first = true;
  TrackSimulator sim(config);
  TrapList traps(kTrapListGrowth);
  traps.Append(sim.TrapAt(0.0, kTrapStartFinish));
  const std::vector<int32_t> times = Run(config, traps);
  ASSERT_EQ(times.size(), 5u);
  // Half a metre of noise at 30 m/s moves a crossing by about 17 ms.
  for (int32_t t : times) EXPECT_NEAR(t, sim.LapDuration(), 60.0);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The recompute's grid and side prefilters must find exactly what the
// plain live search finds, trap for trap and sample for sample.
TEST(RecomputeCrossingsTest, SameListAsTheLiveSearchWithManyTraps) {
  SimConfig config = Circuit(1, 3);
  config.noise_m = 2.0;
  TrackSimulator sim(config);
  TrapList traps(kTrapListGrowth);
  for (int32_t j = 0; j < 60; ++j) {
    const TrapLineType type = j % 7 == 3 ? kTrapDisabled : (j == 0 ? kTrapStartFinish : kTrapSplit);
    traps.Append(sim.TrapAt(j * sim.LapLength() / 60, type, 5.0 + j % 5 * 20.0, j % 4 == 1));
  }
  SessionPipeline run(traps);
  run.Feed(sim.Nmea());
  CrossingList recomputed(kCrossingListGrowth);
  RecomputeCrossings(run.Samples(), traps, recomputed);
  const CrossingList& live = run.Crossings();
  ASSERT_GT(live.Count(), 100);
  ASSERT_EQ(recomputed.Count(), live.Count());
  for (int32_t k = 0; k < live.Count(); ++k) {
    EXPECT_EQ(recomputed[k].trap_index, live[k].trap_index) << k;
    EXPECT_EQ(recomputed[k].sample_index, live[k].sample_index) << k;
    EXPECT_EQ(recomputed[k].crossing_sample.time, live[k].crossing_sample.time) << k;
  }
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// Laps of 90, 85, 88 and 84 s on a start/finish line with one split, from
// simulated NMEA.
class EndToEndResults : public ::testing::Test {
 protected:
  void SetUp() override {
    SimConfig config = Circuit(10, 4);
    TrackSimulator base(config);
    for (double seconds : {90.0, 85.0, 88.0, 84.0}) config.lap_speed_factor.push_back(base.LapDuration() / (seconds * 1000));
    sim_ = std::make_unique<TrackSimulator>(config);
    traps_.Append(sim_->TrapAt(0.0, kTrapStartFinish));
    traps_.Append(sim_->TrapAt(sim_->LapLength() / 2, kTrapSplit));
    run_ = std::make_unique<SessionPipeline>(traps_);
    run_->Feed(sim_->Nmea());
  }
  TrapList traps_{kTrapListGrowth};
  std::unique_ptr<TrackSimulator> sim_;
  std::unique_ptr<SessionPipeline> run_;
};

TEST_F(EndToEndResults, BestAndPreviousBest) {
  const LapList& laps = run_->Laps();
  const std::vector<int32_t> times = sim::LapTimes(laps);
  ASSERT_EQ(times.size(), 4u);
  const int32_t expected[] = {90000, 85000, 88000, 84000};
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(times[i], expected[i], 2) << i;
  EXPECT_EQ(laps.BestIndex(), 3);
  EXPECT_EQ(laps.PreviousBestIndex(), 1);
  // The best lap compared with itself uses the previous best.
  EXPECT_EQ(laps.ComparisonLap(3), &laps.LapAt(1));
  EXPECT_EQ(laps.LastFinished().lap_index, 3);
  EXPECT_NEAR(laps.LastFinished().comparison_time, 85000, 2);
}

TEST_F(EndToEndResults, OptimalLapIsTheSumOfBestHalves) {
  const LapList& laps = run_->Laps();
  ASSERT_NE(laps.Optimal(), nullptr);
  // Each lap is driven at one pace, so both halves are fastest in lap 4.
  EXPECT_EQ(laps.Optimal()->LapTime(), laps.LapAt(3).LapTime());
  run_->Laps().SetInvalid(3, true);
  EXPECT_EQ(laps.Optimal()->LapTime(), laps.LapAt(1).LapTime());
  EXPECT_EQ(laps.BestIndex(), 1);
  EXPECT_EQ(laps.PreviousBestIndex(), 0);
}

TEST_F(EndToEndResults, HiLoPointsAtTheStraightsAndCorners) {
  const Lap& lap = run_->Laps().LapAt(0);
  // Four corners: a high before each braking zone and a low in each corner.
  const auto& extremes = lap.Extremes();
  int32_t highs = 0, lows = 0;
  for (const SpeedExtreme& e : extremes) (e.is_maximum ? highs : lows)++;
  EXPECT_GE(highs, 3);
  EXPECT_GE(lows, 3);
  EXPECT_LE(highs + lows, 8);
}

}  // namespace
}  // namespace kv
