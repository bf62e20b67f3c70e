// The predicted difference: against a lap worked out by hand on a straight
// road, and live against a simulated session's best lap.
#include "timing/predicted_difference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "support/session_pipeline.h"
#include "support/track_simulator.h"
#include "timing/live_figures.h"

namespace kv {
namespace {

constexpr double kStep = 6000;  // AngleValue units north: 0.001 degree, a step D of about 111 m

// A fix a second after the list's last one (the first at `first_ms`), x steps north.
void Fix(SampleList& samples, double x, int32_t first_ms = 0) {
  LogSample s;
  s.time = samples.Empty() ? first_ms : samples[samples.Count() - 1].time + 1000;
  s.position = {static_cast<AngleValue>(std::lround(x * kStep)), 0};
  samples.Append(s);
}

// A line crossed `f` of the way from fix i - 1 to fix i.
TrapCrossing At(const SampleList& samples, int32_t i, double f) {
  return {0, i, 1000, InterpolateSample(samples, i, f)};
}

// Comparison lap C: fixes at 0, 2, 3, 4, 5, 6, 7, 8 D, one a second; start
// half-way to fix 1 (0.5 s, 1 D), finish half-way to fix 7 (6.5 s, 7.5 D).
// From its start point C is at (D, ms): (0, 0) (1, 500) (2, 1500) ... (6,
// 5500) (6.5, 6000). The running lap starts a quarter of the way to its
// fix 1 (0.25 s, 0.5 D): its fix n, at x D, is (x - 0.5) D into the lap
// after n * 1000 - 250 ms.
TEST(PredictedDifference, HandWorkedLapNoValueCasesAndARestart) {
  SampleList a(16), b(16);
  for (double x : {0, 2, 3, 4, 5, 6, 7, 8}) Fix(a, x);
  Lap c(a, false), open(a, false);
  c.SetStart(At(a, 1, 0.5));
  c.SetFinish(At(a, 7, 0.5));
  open.SetStart(At(a, 1, 0.5));
  Lap running(b, false), next(b, false);
  enum Against { kC, kNone, kOpen };
  const struct {
    const char* legend;
    double x;
    Against against;
    int32_t diff;
  } cases[] = {
      {"before the first start: no running lap", 0, kC, kNotSet},
      {"1.5 D in 750 ms, C took 1000", 2, kC, -250},
      {"3 D in 1750, C 2500", 3.5, kC, -750},
      {"3.3 D in 2750, inside C's segment (3, 2500)-(4, 3500): 2800", 3.8, kC, -50},
      {"no comparison lap", 4.5, kNone, kNotSet},
      {"C again (profile rebuilt): 4.5 D in 4750, C 4000", 5, kC, 750},
      {"an unfinished comparison lap", 6, kOpen, kNotSet},
      {"6.8 D in 6750: past C's end but within 5 %, C's lap time", 7.3, kC, 750},
      {"7 D: more than 5 % past C's end", 7.5, kC, kNotSet},
      {"a new lap half-way to this fix (8 D): 0.5 D in 500 ms, C 250", 8.5, kC, 250},
  };
  PredictedDifference predicted;
  const Lap* lap = nullptr;
  for (const auto& row : cases) {
    Fix(b, row.x, 100000);
    if (b.Count() == 2) {
      running.SetStart(At(b, 1, 0.25));
      lap = &running;
    } else if (b.Count() == 10) {
      next.SetStart(At(b, 9, 0.5));
      lap = &next;
    }
    predicted.Update(lap, row.against == kC ? &c : row.against == kOpen ? &open : nullptr);
    EXPECT_EQ(predicted.Value(), row.diff) << row.legend;
  }
}

// Live, end to end at 10 Hz, against the optimal lap (joined from two
// sectors): after an identical lap the figure stays at 0; a lap driven at 0.8 times the speed takes 1.25 times as long
// to every distance, so it is 0.2 of the time into the lap behind. Within
// 5 ms: the comparison's time is linear between fixes 100 ms apart, where
// the car's speed is not.
TEST(PredictedDifference, LiveAgainstTheOptimalLapOfASimulatedSession) {
  sim::SimConfig config;
  config.circuit = sim::RoundedRectangle();
  config.laps = 3;
  config.start_offset_ms = -1537.0;
  config.lap_speed_factor = {1.0, 1.0, 0.8};
  sim::TrackSimulator sim(config);
  TrapList traps(kTrapListGrowth);
  traps.Append(sim.TrapAt(0.0, kTrapStartFinish));
  traps.Append(sim.TrapAt(sim.LapLength() / 2, kTrapSplit));
  sim::SessionPipeline run(traps);
  run.Laps().SetComparisonSelection(LapList::kSelectOptimal);
  std::istringstream nmea(sim.Nmea());
  int32_t checked = 0;
  for (std::string line; std::getline(nmea, line);) {
    run.Feed(line + "\n");
    const LiveFigures f = ComputeLiveFigures(run.Laps());
    if (f.current_lap < 1 || !IsSet(f.current_time)) continue;
    const double expected = f.current_lap == 1 ? 0.0 : 0.2 * f.current_time;
    ASSERT_NEAR(f.predicted_difference, expected, 5.0)
        << "lap " << f.current_lap << " at " << f.current_time;
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace kv
