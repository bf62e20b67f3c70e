// Performance runs: straight-line drives of known speed through the whole
// road (simulated NMEA -> parser -> sample builder -> PerfTestEngine), and
// hand-made speed streams for the launch and attempt rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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

// Indices of the predefined tests.
enum : int32_t { k60Feet, kEighthMile, k0To60Mph = 5, k0To100Kph, k80To120Kph = 9, k60To160Kph };

// A drive at v0 m/s until `launch` ms of car time, then at `a` m/s^2.
struct Drive {
  int32_t rate_hz;
  double v0, launch, a, duration_ms;

  double SpeedAt(double t) const { return t < launch ? v0 : v0 + a * (t - launch) / 1000.0; }
  double TimeAtSpeed(double v) const { return launch + (v - v0) / a * 1000.0; }
  double TimeAtDistance(double d) const { return launch + (std::sqrt(v0 * v0 + 2 * a * d) - v0) / a * 1000.0; }
  // From the launch or the start speed to the finish speed or distance.
  double RunTime(const PerfTest& test) const {
    const double end = test.IsDistance() ? TimeAtDistance(test.distance) : TimeAtSpeed(test.finish_speed);
    return end - (test.start_speed == 0.0 ? launch : TimeAtSpeed(test.start_speed));
  }
  // The samples a session records from the drive's NMEA.
  SampleList Record() const {
    sim::StraightRunConfig c;
    c.options.rate_hz = rate_hz;
    c.options.start_time_ms = static_cast<int32_t>(kStart);
    c.initial_speed = v0;
    c.launch_ms = launch;
    c.phases = {{100.0, a}};
    c.duration_ms = duration_ms;
    const TrapList no_traps(kTrapListGrowth);
    sim::SessionPipeline pipeline(no_traps);
    pipeline.Feed(sim::StraightRun(c).Nmea());
    SampleList copy(kSampleListGrowth);
    for (const LogSample& s : pipeline.Samples()) copy.Append(s);
    return copy;
  }
};

class PerfRuns : public ::testing::TestWithParam<int32_t> {};

// Standing 1.2345 s (a launch off the sample grid), then 4 m/s^2: every
// predefined test completes once, in one attempt, live and recomputed alike.
TEST_P(PerfRuns, StandingStartTimesEveryTestWithinToleranceLiveAndRecomputed) {
  const Drive drive{GetParam(), 0.0, 1234.5, 4.0, 32000.0};
  const SampleList samples = drive.Record();
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
  double worst = 0.0;
  for (int32_t i = 0; i < tests.Count(); ++i) {
    const PerfTest& test = tests.At(i);
    SCOPED_TRACE(std::string(test.name.AsView().begin(), test.name.AsView().end()));
    const PerfTestResult r = engine.Result(i);
    ASSERT_EQ(r.completed, 1);
    EXPECT_NEAR(r.runs[0].RunTime(), drive.RunTime(test), kToleranceMs);
    worst = std::max(worst, std::fabs(r.runs[0].RunTime() - drive.RunTime(test)));
    if (test.IsDistance()) {
      const double speed = drive.SpeedAt(drive.TimeAtDistance(test.distance));
      EXPECT_NEAR(RadToMetres(StoredToSpeed(r.runs[0].finish_speed)), speed, 0.05);
    }
    ASSERT_EQ(live.Result(i).runs.size(), 1u);
    EXPECT_EQ(live.Result(i).runs[0].start, r.runs[0].start) << "live";
    EXPECT_EQ(live.Result(i).runs[0].finish, r.runs[0].finish) << "live";
  }
  std::printf("%d Hz: worst run-time error %.1f ms\n", GetParam(), worst);
}

// Cruising at 50 km/h, then 3 m/s^2 up to 190 km/h: no launch, so only the
// rolling tests run; "100-200 kph" is still running.
TEST_P(PerfRuns, RollingStartRunsOnlyTheRollingTests) {
  const Drive drive{GetParam(), 50.0 / 3.6, 2000.3, 3.0, 15000.0};
  const PerfTestList tests;
  PerfTestEngine engine(tests);
  engine.Recompute(drive.Record());
  for (int32_t i = 0; i < tests.Count(); ++i) {
    const PerfTestResult r = engine.Result(i);
    if (i == k80To120Kph || i == k60To160Kph) {
      ASSERT_EQ(r.completed, 1) << i;
      EXPECT_NEAR(r.runs[0].RunTime(), drive.RunTime(tests.At(i)), kToleranceMs) << i;
    } else if (tests.At(i).start_speed > 0.0) {
      ASSERT_EQ(r.runs.size(), 1u);
      EXPECT_NEAR(r.runs[0].start, kStart + drive.TimeAtSpeed(tests.At(i).start_speed), kToleranceMs);
      EXPECT_FALSE(r.runs[0].Finished());
    } else {
      EXPECT_TRUE(r.runs.empty()) << i;
    }
  }
  EXPECT_EQ(engine.LaunchTime(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, PerfRuns, ::testing::Values(10, 20));

TEST(PerfTestEngine, ObdSpeedIsUsedOnceFiveSamplesExistWithPositionsFromTheGpsTrack) {
  const Drive drive{10, 0.0, 1234.5, 4.0, 12000.0};
  const SampleList gps = drive.Record();
  // The adapter's speed every 150 ms, every other one on a GPS epoch, from
  // before the GPS track to after it, a few unset.
  std::vector<PerfSample> obd;
  for (int32_t k = 0; k <= 81; ++k) {
    const double t = -50.0 + 150.0 * k;
    obd.push_back({static_cast<int32_t>(kStart + t), k % 7 == 3 ? kNoValue : drive.SpeedAt(t), {}});
  }
  AttachPositions(obd, std::span<const LogSample>(&gps[0], gps.Count()));
  EXPECT_FALSE(obd.front().position.IsValid()) << "before the GPS track";
  EXPECT_FALSE(obd.back().position.IsValid()) << "after it";
  const PerfTestList tests;
  PerfTestEngine engine(tests);
  engine.SetSource(PerfSpeedSource::kObd);
  engine.Step(gps);
  EXPECT_EQ(engine.NextIndex(), 0) << "GPS samples are not this engine's source";
  engine.StepObd(std::span<const PerfSample>(obd).first(4));
  EXPECT_EQ(engine.NextIndex(), 0);
  engine.StepObd(obd);
  EXPECT_EQ(engine.NextIndex(), static_cast<int32_t>(obd.size()));
  for (int32_t test : {k0To60Mph, k0To100Kph, k80To120Kph, k60Feet, kEighthMile}) {
    const PerfTestResult r = engine.Result(test);
    ASSERT_EQ(r.completed, 1) << test;
    EXPECT_NEAR(r.runs[0].RunTime(), drive.RunTime(tests.At(test)), kToleranceMs) << test;
  }
}

constexpr double kNoTime = -1.0;  // in a stream's speeds: a sample without a time

// A hand-made stream: one sample per 100 ms from 1000 ms, with the speeds
// given (NaN: a sample without speed), moving east by the trapezoid rule.
std::vector<PerfSample> Stream(const std::vector<double>& speeds) {
  std::vector<PerfSample> out;
  double metres = 0.0, previous = 0.0;
  int32_t t = 1000;
  for (double v : speeds) {
    PerfSample s{v == kNoTime ? kNotSet : t, v == kNoTime ? 1.0 : v, {}};
    if (!std::isnan(v) && v != kNoTime) {
      metres += (v + previous) * 0.05;
      previous = v;
      s.position = {DegToRad(48.0), DegToRad(11.0) + MetresToRad(metres) / std::cos(DegToRad(48.0))};
      t += 100;
    }
    out.push_back(s);
  }
  return out;
}

// Up to 20 m/s in 0.5 m/s steps, braking to `low`, then up to 35 m/s.
std::vector<double> SlowingTo(double low) {
  std::vector<double> speeds = {0.0, 0.0};
  for (double v = 0.5; v <= 20.0; v += 0.5) speeds.push_back(v);
  speeds.insert(speeds.end(), {19.0, 18.0, 17.0, 16.0, low});
  for (double v = 15.0; v <= 35.0; v += 0.5) speeds.push_back(v);
  return speeds;
}

std::vector<double> Repeat(const std::vector<double>& cycle, int32_t times) {
  std::vector<double> speeds;
  for (int32_t i = 0; i < times; ++i) speeds.insert(speeds.end(), cycle.begin(), cycle.end());
  return speeds;
}

TEST(PerfTestEngine, LaunchAndAttemptRules) {
  struct Case {
    const char* legend;
    std::vector<double> speeds;
    int32_t launch;  // the launch time, ms, and the start of the "0-100 kph" run; 0: not checked
    size_t sets;     // attempts kept
    size_t runs;     // "0-100 kph" runs
    int32_t completed;
  } cases[] = {
      {"a1 = 2 < a2 = 4: zero speed extrapolated half way", {0.0, 0.2, 0.6}, 1050, 1, 1, 0},
      {"a1 = 3 >= a2 = 2: launch at the standing sample", {0.0, 0.3, 0.5}, 1000, 1, 1, 0},
      {"samples without speed or time are skipped", {0.0, 0.2, NAN, kNoTime, 0.6}, 1050, 1, 1, 0},
      {"nothing is evaluated before three timed samples", {0.0, 0.0}, 0, 0, 0, 0},
      {"standing after a twitch: the run moves, none is added", {0.0, 0.0, 0.0, 0.02, 0.0, 0.0, 0.0}, 1400, 1, 1, 0},
      {"slowing exactly 5 m/s below the peak keeps the attempt", SlowingTo(15.0), 0, 1, 1, 1},
      {"slowing more than 5 m/s below it leaves the run unfinished", SlowingTo(14.9), 0, 2, 1, 0},
      {"200 attempts are kept", Repeat({0.0, 0.0, 0.5, 2.0, 4.0, 6.0, 8.0, 10.0, 4.0, 0.0}, 230), 0, 201, 200, 0},
  };
  const PerfTestList tests;
  for (const Case& c : cases) {
    PerfTestEngine engine(tests);
    for (const PerfSample& s : Stream(c.speeds)) engine.Add(s);
    EXPECT_EQ(engine.Sets().size(), c.sets) << c.legend;
    const PerfTestResult r = engine.Result(k0To100Kph);
    ASSERT_EQ(r.runs.size(), c.runs) << c.legend;
    EXPECT_EQ(r.completed, c.completed) << c.legend;
    if (c.launch != 0) {
      EXPECT_EQ(engine.LaunchTime(), c.launch) << c.legend;
      EXPECT_EQ(r.runs[0].start, c.launch) << c.legend;
    }
  }
}

}  // namespace
}  // namespace kv
