// The engine driven end to end (NMEA -> parser -> sample builder ->
// crossings -> laps) against the simulator's known crossing instants, with
// the recompute finding what the live search found. (Real kart laps are
// timed through the program itself, in tests/app/program_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "support/session_pipeline.h"
#include "support/track_simulator.h"

namespace kv {
namespace {

TEST(TimingAccuracy, LapStartsAndSplitsMatchTheTrueCrossingsLiveAndRecomputed) {
  constexpr double kOnStraight = 40.0;      // m into the lap: south straight, 30 m/s
  constexpr double kCorner1Middle = 135.0;  // inside the first corner, 15 m/s
  struct Case {
    const char* legend;
    int32_t rate_hz;
    double split_at;  // m into the lap
    double noise_m;   // with noise, VTG sentences too
    double tolerance_ms;
  } cases[] = {
      {"20 Hz, curve", 20, kCorner1Middle, 0.0, 2.0},
      {"10 Hz, curve", 10, kCorner1Middle, 0.0, 2.0},
      {"5 Hz, curve", 5, kCorner1Middle, 0.0, 10.0},
      {"1 Hz, straight", 1, kOnStraight, 0.0, 30.0},
      {"1 Hz, curve", 1, kCorner1Middle, 0.0, 100.0},
      // In one sample interval with the line: taken in driving order, the
      // split belongs to the lap the line starts.
      {"1 Hz, split 100 ms after the line", 1, 3.0, 0.0, 30.0},
      // Half a metre of noise at 30 m/s moves a crossing by about 17 ms, 2 m by 67 ms.
      {"10 Hz, 0.5 m noise", 10, kOnStraight, 0.5, 60.0},
      {"1 Hz, 2 m noise", 1, kOnStraight, 2.0, 150.0},
  };
  for (const Case& c : cases) {
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle();
    config.rate_hz = c.rate_hz;
    config.laps = 3;
    config.start_offset_ms = -1537.0;  // off the sample grid: no line passes exactly through a sample
    config.noise_m = c.noise_m;
    config.vtg = c.noise_m > 0.0;
    sim::TrackSimulator sim(config);
    TrapList traps(kTrapListGrowth);
    traps.Append(sim.TrapAt(0.0, kTrapStartFinish));
    traps.Append(sim.TrapAt(c.split_at, kTrapSplit));
    // Traps of every kind and width around the lap, for the recompute's grid and side prefilters.
    for (int32_t j = 1; j < 60; ++j) {
      const TrapLineType type = j % 7 == 3 ? kTrapDisabled : kTrapSplit;
      traps.Append(sim.TrapAt(j * sim.LapLength() / 60, type, 5.0 + j % 5 * 20.0, j % 4 == 1));
    }
    sim::SessionPipeline run(traps);
    run.Feed(sim.Nmea());
    CrossingList recomputed(kCrossingListGrowth);
    RecomputeCrossings(run.Samples(), traps, recomputed);
    const CrossingList& live = run.Crossings();
    ASSERT_EQ(recomputed.Count(), live.Count()) << c.legend;
    for (int32_t k = 0; k < live.Count(); ++k) {
      EXPECT_EQ(recomputed[k].trap_index, live[k].trap_index) << c.legend << ", crossing " << k;
      EXPECT_EQ(recomputed[k].crossing_sample.time, live[k].crossing_sample.time) << c.legend << ", crossing " << k;
    }
    const std::vector<double> starts = sim.CrossingTimes(traps[0]);
    const std::vector<double> splits = sim.CrossingTimes(traps[1]);
    const LapList& laps = run.Laps();
    ASSERT_EQ(laps.LapCount(), static_cast<int32_t>(starts.size())) << c.legend;
    ASSERT_GE(laps.LapCount(), 4) << c.legend;
    double worst = 0.0;
    for (size_t i = 0; i < starts.size(); ++i) {
      const Lap& lap = laps.LapAt(static_cast<int32_t>(i));
      worst = std::max(worst, std::fabs(lap.Start().Time() - starts[i]));
      const auto split = std::upper_bound(splits.begin(), splits.end(), starts[i]);
      if (split == splits.end() || (i + 1 < starts.size() && *split > starts[i + 1])) continue;
      ASSERT_NE(lap.MarkForTrap(1), nullptr) << c.legend << ", lap " << i;
      worst = std::max(worst, std::fabs(lap.MarkForTrap(1)->Time() - *split));
    }
    EXPECT_LE(worst, c.tolerance_ms) << c.legend;
  }
}

}  // namespace
}  // namespace kv
