// Performance runs: straight-line drives of known speed through the whole
// road (simulated NMEA -> parser -> sample builder -> PerfTestEngine), and
// hand-made speed streams for the launch and attempt rules.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "support/session_pipeline.h"
#include "support/straight_run.h"
#include "timing/perf_test_engine.h"

namespace kv {
namespace {

constexpr double kToleranceMs = 5.0;
constexpr double kStart = 12 * 3600000.0;  // time of day of car time 0
constexpr double kLaunch = 1234.5;         // ms of car time standing, off the sample grid
constexpr double kA = 4.0;                 // m/s^2 from the launch on

// Indices of the predefined tests.
enum : int32_t { k60Feet, kEighthMile, k0To60Mph = 5, k0To100Kph, k80To120Kph = 9 };

// The drive's truth, in car time.
double SpeedAt(double t) { return t < kLaunch ? 0.0 : kA * (t - kLaunch) / 1000.0; }
double TimeAtSpeed(double v) { return kLaunch + v / kA * 1000.0; }
double TimeAtDistance(double d) { return kLaunch + std::sqrt(2 * d / kA) * 1000.0; }
// From the launch or the start speed to the finish speed or distance.
double RunTime(const PerfTest& test) {
  const double end = test.IsDistance() ? TimeAtDistance(test.distance) : TimeAtSpeed(test.finish_speed);
  return end - (test.start_speed == 0.0 ? kLaunch : TimeAtSpeed(test.start_speed));
}

// The drive as a receiver sends it.
std::string Nmea(int32_t rate_hz, double duration_ms) {
  sim::StraightRunConfig c;
  c.options.rate_hz = rate_hz;
  c.options.start_time_ms = static_cast<int32_t>(kStart);
  c.launch_ms = kLaunch;
  c.phases = {{100.0, kA}};
  c.duration_ms = duration_ms;
  return sim::StraightRunNmea(c);
}

class PerfRuns : public ::testing::TestWithParam<int32_t> {};

// Every predefined test completes once, in one attempt, live and recomputed alike.
TEST_P(PerfRuns, StandingStartTimesEveryTestWithinToleranceLiveAndRecomputed) {
  const TrapList no_traps(kTrapListGrowth);
  sim::SessionPipeline drive(no_traps);
  drive.Feed(Nmea(GetParam(), 32000.0));
  const SampleList& samples = drive.Samples();
  const PerfTestList tests;
  PerfTestEngine engine(tests);
  engine.Recompute(samples);
  ASSERT_EQ(engine.Sets().size(), 1u);
  EXPECT_FALSE(engine.HasOrigin()) << "cleared past the longest distance, the mile";
  PerfTestEngine live(tests);
  SampleList growing(kSampleListGrowth);
  for (const LogSample& s : samples) {
    growing.Append(s);
    live.Step(growing);
  }
  for (int32_t i = 0; i < tests.Count(); ++i) {
    const PerfTest& test = tests.At(i);
    SCOPED_TRACE(std::string(test.name.AsView().begin(), test.name.AsView().end()));
    const PerfTestResult r = engine.Result(i);
    ASSERT_EQ(r.completed, 1);
    EXPECT_NEAR(r.runs[0].RunTime(), RunTime(test), kToleranceMs);
    if (test.IsDistance()) {
      EXPECT_NEAR(RadToMetres(StoredToSpeed(r.runs[0].finish_speed)), SpeedAt(TimeAtDistance(test.distance)), 0.05);
    }
    ASSERT_EQ(live.Result(i).runs.size(), 1u);
    EXPECT_EQ(live.Result(i).runs[0].start, r.runs[0].start) << "live";
    EXPECT_EQ(live.Result(i).runs[0].finish, r.runs[0].finish) << "live";
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, PerfRuns, ::testing::Values(10, 20));

// As a loaded session recomputes them: the adapter's speed (PID 0D, whole
// km/h) as the car reaches each km/h, after standing on GPS epochs from
// before the GPS track; the last ones after it.
TEST(PerfTestEngine, ObdSpeedIsUsedOnceFiveSamplesExistWithPositionsFromTheGpsTrack) {
  const TrapList no_traps(kTrapListGrowth);
  sim::SessionPipeline drive(no_traps);
  drive.Feed(Nmea(10, 12000.0));
  const SampleList& gps = drive.Samples();
  const auto at = [](double t) { return static_cast<int32_t>(std::lround(kStart + t)); };
  std::vector<ObdRecord> obd = {{at(-500), 0, 23}, {at(0), 0, 23}, {at(500), 0, 23}, {at(1000), 0, 23}};
  for (uint32_t kmh = 0; kmh <= 180; ++kmh) obd.push_back({at(TimeAtSpeed(kmh / 3.6)), kmh, 23});
  obd.push_back({at(2000), 8000, 24});  // engine speed
  const std::vector<PerfSample> speeds = ObdSpeedSamples(obd, std::span<const LogSample>(&gps[0], gps.Count()));
  ASSERT_EQ(speeds.size(), obd.size() - 1) << "only speed records";
  EXPECT_FALSE(speeds.front().position.IsValid()) << "before the GPS track";
  EXPECT_FALSE(speeds.back().position.IsValid()) << "after it";
  const PerfTestList tests;
  PerfTestEngine engine(tests);
  engine.SetSource(PerfSpeedSource::kObd);
  engine.Step(gps);
  EXPECT_EQ(engine.NextIndex(), 0) << "GPS samples are not this engine's source";
  engine.RecomputeObd(std::span<const PerfSample>(speeds).first(4));
  EXPECT_EQ(engine.NextIndex(), 0);
  engine.RecomputeObd(speeds);
  for (int32_t test : {k0To60Mph, k0To100Kph, k80To120Kph, k60Feet, kEighthMile}) {
    const PerfTestResult r = engine.Result(test);
    ASSERT_EQ(r.completed, 1) << test;
    EXPECT_NEAR(r.runs[0].RunTime(), RunTime(tests.At(test)), kToleranceMs) << test;
  }
}

constexpr double kNoTime = -1.0;  // in a stream's speeds: a sample without a time

// A hand-made stream of speeds (NaN: a sample without speed), one sample
// per 100 ms from 1000 ms; positions are left out, so no distance test runs.
std::vector<PerfSample> Stream(const std::vector<double>& speeds) {
  std::vector<PerfSample> out;
  int32_t t = 1000;
  for (double v : speeds) {
    out.push_back({v == kNoTime ? kNotSet : t, v == kNoTime ? 1.0 : v, {}});
    if (!std::isnan(v) && v != kNoTime) t += 100;
  }
  return out;
}

// Appends speeds from `from` to `to` m/s in 0.5 m/s steps.
std::vector<double> Ramp(std::vector<double> speeds, double from, double to) {
  for (double v = from; v <= to; v += 0.5) speeds.push_back(v);
  return speeds;
}

TEST(PerfTestEngine, LaunchAndAttemptRules) {
  std::vector<double> attempts;  // 230 launches to 10 m/s and stops
  for (int i = 0; i < 230; ++i) attempts.insert(attempts.end(), {0.0, 0.0, 0.5, 2.0, 4.0, 6.0, 8.0, 10.0, 4.0, 0.0});
  std::vector<double> twice = Ramp({0, 0}, 0.5, 30);  // two identical launches to 30 m/s
  twice.insert(twice.end(), {0, 0});
  twice = Ramp(twice, 0.5, 30);
  struct Case {
    const char* legend;
    std::vector<double> speeds;
    int32_t launch;  // the launch time, ms, and the start of the "0-100 kph" run; 0: not checked
    size_t sets;     // attempts kept
    size_t runs;     // "0-100 kph" runs
    int32_t completed;
    int32_t best;  // index of the best run, -1 none
  } cases[] = {
      {"a1 = 2 < a2 = 4: zero speed extrapolated half way", {0.0, 0.2, 0.6}, 1050, 1, 1, 0, -1},
      {"a1 = 3 >= a2 = 2: launch at the standing sample", {0.0, 0.3, 0.5}, 1000, 1, 1, 0, -1},
      {"samples without speed or time are skipped", {0.0, 0.2, NAN, kNoTime, 0.6}, 1050, 1, 1, 0, -1},
      {"nothing is evaluated before three timed samples", {0.0, 0.0}, 0, 0, 0, 0, -1},
      {"standing after a twitch: the run moves, none is added", {0, 0, 0, 0.02, 0, 0, 0}, 1400, 1, 1, 0, -1},
      {"slowing exactly 5 m/s below the peak keeps the attempt", Ramp(Ramp({0, 0}, 0.5, 20), 15.0, 35), 0, 1, 1, 1, 0},
      {"slowing more than 5 m/s below it: unfinished", Ramp(Ramp({0, 0}, 0.5, 20), 14.9, 35), 0, 2, 1, 0, -1},
      {"a rolling start has no launch: no standing-start run", Ramp({}, 10, 35), 0, 1, 0, 0, -1},
      {"200 attempts are kept, and the one the last stop opened", attempts, 0, 201, 200, 0, -1},
      {"two identical attempts: a tie keeps the earlier run", twice, 0, 2, 2, 2, 0},
  };
  const PerfTestList tests;
  for (const Case& c : cases) {
    PerfTestEngine engine(tests);
    for (const PerfSample& s : Stream(c.speeds)) engine.Add(s);
    EXPECT_EQ(engine.Sets().size(), c.sets) << c.legend;
    const PerfTestResult r = engine.Result(k0To100Kph);
    ASSERT_EQ(r.runs.size(), c.runs) << c.legend;
    EXPECT_EQ(r.completed, c.completed) << c.legend;
    EXPECT_EQ(r.best, c.best) << c.legend;
    if (c.launch != 0) {
      EXPECT_EQ(engine.LaunchTime(), c.launch) << c.legend;
      EXPECT_EQ(r.runs[0].start, c.launch) << c.legend;
    }
  }
}

}  // namespace
}  // namespace kv
