// Performance runs against straight-line drives whose speed profile is known
// in closed form: simulated NMEA -> parser -> sample builder -> sample list
// -> PerfTestEngine, and hand-made sample streams for the attempt rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "support/session_pipeline.h"
#include "support/straight_run.h"
#include "timing/geodesy.h"
#include "timing/perf_test_engine.h"
#include "timing/sample_list.h"
#include "util/duration_text.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {
namespace {

using sim::SpeedPhase;
using sim::StraightRun;
using sim::StraightRunConfig;

constexpr double kToleranceMs = 5.0;
constexpr double kStart = 12 * 3600000.0;  // time of day of car time 0

// Indices of the predefined tests.
enum : int32_t {
  k60Feet,
  kEighthMile,
  kQuarterMile,
  k1000Metres,
  kMile,
  k0To60Mph,
  k0To100Kph,
  k0To100Mph,
  k0To200Kph,
  k80To120Kph,
  k60To160Kph,
  k100To200Kph,
};

std::span<const LogSample> View(const SampleList& samples) {
  return samples.Empty() ? std::span<const LogSample>()
                         : std::span<const LogSample>(&samples[0], samples.Count());
}

// The samples the session would record from the run's NMEA.
SampleList Record(const StraightRun& run) {
  TrapList no_traps(kTrapListGrowth);
  sim::SessionPipeline pipeline(no_traps);
  pipeline.Feed(run.Nmea());
  SampleList copy(kSampleListGrowth);
  for (const LogSample& s : pipeline.Samples()) copy.Append(s);
  return copy;
}

StraightRunConfig Drive(int32_t rate_hz, double initial_speed, double launch_ms,
                        std::vector<SpeedPhase> phases, double duration_ms) {
  StraightRunConfig c;
  c.options.rate_hz = rate_hz;
  c.options.start_time_ms = static_cast<int32_t>(kStart);
  c.initial_speed = initial_speed;
  c.launch_ms = launch_ms;
  c.phases = std::move(phases);
  c.duration_ms = duration_ms;
  return c;
}

// True run time (ms) of a test on the run: from the launch, or from the
// start speed, to the finish speed or distance.
double TrueRunTime(const StraightRun& run, const PerfTest& test) {
  const double launch = run.Config().launch_ms;
  const double start = test.start_speed == 0.0 ? launch : run.TimeAtSpeed(test.start_speed);
  if (test.IsDistance()) return run.TimeAtDistance(run.DistanceAt(launch) + test.distance) - start;
  return run.TimeAtSpeed(test.finish_speed, start) - start;
}

struct RateCase {
  int32_t rate_hz;
};

class StandingStart : public ::testing::TestWithParam<RateCase> {};

// Standing 1.2345 s (a launch seen on every sample), 4 m/s^2 for 10 s,
// then 1.5 m/s^2 for 25 s: every predefined test completes once, in one
// attempt, "80-120 kph" starting as 80 km/h is passed.
TEST_P(StandingStart, EveryPredefinedTestWithinToleranceOfTheTrueTime) {
  const StraightRun run(
      Drive(GetParam().rate_hz, 0.0, 1234.5, {{10.0, 4.0}, {25.0, 1.5}}, 40000.0));
  const SampleList samples = Record(run);
  ASSERT_GT(samples.Count(), 100);
  PerfTestList tests;
  PerfTestEngine engine(tests);
  engine.Recompute(View(samples));

  ASSERT_EQ(engine.Sets().size(), 1u);
  double worst = 0.0;
  for (int32_t i = 0; i < tests.Count(); ++i) {
    SCOPED_TRACE(std::string(tests.At(i).name.AsView().begin(), tests.At(i).name.AsView().end()));
    const PerfTestResult r = engine.Result(i);
    ASSERT_EQ(r.runs.size(), 1u);
    ASSERT_EQ(r.completed, 1);
    const double truth = TrueRunTime(run, tests.At(i));
    EXPECT_NEAR(r.runs[0].RunTime(), truth, kToleranceMs);
    worst = std::max(worst, std::fabs(r.runs[0].RunTime() - truth));
    if (tests.At(i).start_speed == 0.0) {
      EXPECT_NEAR(r.runs[0].start, kStart + 1234.5, kToleranceMs)
          << "start at the extrapolated launch";
    }
    if (tests.At(i).IsDistance()) {
      const double finish_speed = run.SpeedAt(run.TimeAtDistance(tests.At(i).distance));
      // Linear between the samples: off by up to the kink where the
      // acceleration changes (the 1/8 mile is finished right after it).
      EXPECT_NEAR(RadToMetres(StoredToSpeed(r.runs[0].finish_speed)), finish_speed, 0.05);
    } else {
      EXPECT_FALSE(IsSet(r.runs[0].finish_speed));
    }
  }
  RecordProperty("worst_error_ms", std::to_string(worst));
  std::printf("%d Hz: worst run-time error %.1f ms\n", GetParam().rate_hz, worst);
}

INSTANTIATE_TEST_SUITE_P(Rates, StandingStart, ::testing::Values(RateCase{10}, RateCase{20}),
                         [](const auto& info) {
                           return std::to_string(info.param.rate_hz) + "Hz";
                         });

class RollingStart : public ::testing::TestWithParam<RateCase> {};

// Cruising at 50 km/h, then 3 m/s^2 up to 180 km/h: no launch, so only the
// rolling speed tests run; their times match the true ones, and
// "100-200 kph" stays unfinished.
TEST_P(RollingStart, OnlyRollingTestsRunAndMatchTheTrueTimes) {
  const StraightRun run(Drive(GetParam().rate_hz, 50.0 / 3.6, 2000.3, {{12.0, 3.0}}, 16000.0));
  const SampleList samples = Record(run);
  PerfTestList tests;
  PerfTestEngine engine(tests);
  engine.Recompute(View(samples));
  for (int32_t i = 0; i < tests.Count(); ++i) {
    const PerfTestResult r = engine.Result(i);
    if (i == k80To120Kph || i == k60To160Kph) {
      ASSERT_EQ(r.completed, 1) << i;
      EXPECT_NEAR(r.runs[0].RunTime(), TrueRunTime(run, tests.At(i)), kToleranceMs) << i;
    } else if (i == k100To200Kph) {
      ASSERT_EQ(r.runs.size(), 1u);
      EXPECT_NEAR(r.runs[0].start, kStart + run.TimeAtSpeed(tests.At(i).start_speed), kToleranceMs);
      EXPECT_FALSE(r.runs[0].Finished());
    } else {
      EXPECT_TRUE(r.runs.empty()) << i;
    }
  }
  EXPECT_EQ(engine.LaunchTime(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, RollingStart, ::testing::Values(RateCase{10}, RateCase{20}),
                         [](const auto& info) {
                           return std::to_string(info.param.rate_hz) + "Hz";
                         });

TEST(PerfTestEngine, LiveStepsGiveTheSameRunsAsARecompute) {
  const StraightRun run(Drive(10, 0.0, 1234.5, {{10.0, 4.0}}, 12000.0));
  const SampleList samples = Record(run);
  PerfTestList tests;
  PerfTestEngine live(tests);
  SampleList growing(kSampleListGrowth);
  int32_t steps_with_a_finish = 0;
  for (const LogSample& s : samples) {
    growing.Append(s);
    if (live.Step(growing)) ++steps_with_a_finish;
  }
  // 60 feet, 1/8 mile, 0-60 mph, 80-120 kph and 0-100 kph (not on one sample).
  EXPECT_GE(steps_with_a_finish, 4);
  EXPECT_EQ(live.NextIndex(), samples.Count());
  PerfTestEngine whole(tests);
  whole.Recompute(View(samples));
  for (int32_t i = 0; i < tests.Count(); ++i) {
    const PerfTestResult a = live.Result(i), b = whole.Result(i);
    ASSERT_EQ(a.runs.size(), b.runs.size());
    for (size_t k = 0; k < a.runs.size(); ++k) {
      EXPECT_EQ(a.runs[k].start, b.runs[k].start);
      EXPECT_EQ(a.runs[k].finish, b.runs[k].finish);
    }
  }
}

// A hand-made stream: one sample per 100 ms from `t0`, speeds as given,
// moving east from a fixed point by the trapezoid rule.
std::vector<PerfSample> Stream(const std::vector<double>& speeds, int32_t t0 = 1000) {
  std::vector<PerfSample> out;
  double metres = 0.0;
  for (size_t i = 0; i < speeds.size(); ++i) {
    if (i > 0) metres += (speeds[i] + speeds[i - 1]) * 0.05;
    PerfSample s;
    s.time = t0 + static_cast<int32_t>(i) * 100;
    s.speed = speeds[i];
    s.position = {DegToRad(48.0), DegToRad(11.0) + MetresToRad(metres) / std::cos(DegToRad(48.0))};
    out.push_back(s);
  }
  return out;
}

PerfTestEngine FeedAll(const PerfTestList& tests, const std::vector<PerfSample>& stream) {
  PerfTestEngine engine(tests);
  for (const PerfSample& s : stream) engine.Add(s);
  return engine;
}

TEST(PerfTestEngine, LaunchTimeIsExtrapolatedToZeroSpeed) {
  // a1 = 0.2 / 0.1 s = 2, a2 = 0.4 / 0.1 s = 4: zero speed half way from t0 to t1.
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, Stream({0.0, 0.2, 0.6}));
  EXPECT_EQ(engine.LaunchTime(), 1050);
  EXPECT_EQ(engine.Result(k0To100Kph).runs.at(0).start, 1050);
}

TEST(PerfTestEngine, AccelerationNotRisingPutsTheLaunchAtTheStandingSample) {
  // a1 = 3 >= a2 = 2: f = 1, launch = t0.
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, Stream({0.0, 0.3, 0.5}));
  EXPECT_EQ(engine.LaunchTime(), 1000);
}

TEST(PerfTestEngine, RelaunchWhileStandingMovesTheStartOfTheZeroStartRuns) {
  PerfTestList tests;
  PerfTestEngine engine(tests);
  const std::vector<PerfSample> stream = Stream({0.0, 0.0, 0.0, 0.02, 0.0, 0.0, 0.0});
  for (size_t i = 0; i < stream.size(); ++i) {
    engine.Add(stream[i]);
    if (i < 2) continue;
    // The latest launch is the window's oldest sample while standing.
    for (int32_t test : {k60Feet, k0To60Mph, k0To200Kph}) {
      const PerfTestResult r = engine.Result(test);
      ASSERT_EQ(r.runs.size(), 1u) << "moved, not added";
      EXPECT_EQ(r.runs[0].start, stream[i - 2].time);
    }
    EXPECT_TRUE(engine.Result(k80To120Kph).runs.empty());
  }
  EXPECT_EQ(engine.Sets().size(), 1u);
}

TEST(PerfTestEngine, SlowingMoreThan5MpsOpensANewAttemptAndLeavesRunsUnfinished) {
  // Launch, up to 20 m/s, down to 14.9 (5.1 below the peak), up to 35.
  std::vector<double> speeds = {0.0, 0.0};
  for (double v = 0.5; v <= 20.0; v += 0.5) speeds.push_back(v);
  speeds.insert(speeds.end(), {19.0, 18.0, 17.0, 16.0, 15.0, 14.9});
  for (double v = 15.0; v <= 35.0; v += 0.5) speeds.push_back(v);
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, Stream(speeds));

  ASSERT_EQ(engine.Sets().size(), 2u);
  EXPECT_EQ(engine.Sets()[0].attempt, 1);
  EXPECT_EQ(engine.Sets()[1].attempt, 2);
  const PerfTestResult to100 = engine.Result(k0To100Kph);
  ASSERT_EQ(to100.runs.size(), 1u);
  EXPECT_FALSE(to100.runs[0].Finished()) << "the re-acceleration belongs to another attempt";
  EXPECT_EQ(to100.runs[0].RunTime(), -1);
  EXPECT_EQ(to100.completed, 0);
  // The quarter mile was running too and stays unfinished.
  EXPECT_FALSE(engine.Result(kQuarterMile).runs.at(0).Finished());
  // Passing 80 km/h again starts "80-120 kph" in the second attempt.
  const PerfTestResult rolling = engine.Result(k80To120Kph);
  ASSERT_EQ(rolling.runs.size(), 1u);
  EXPECT_EQ(rolling.attempts[0], 2);
  EXPECT_TRUE(rolling.runs[0].Finished());
  EXPECT_EQ(engine.Summary(k0To100Kph), Load(kStrNoCompletedRuns));
}

TEST(PerfTestEngine, SlowingExactly5MpsKeepsTheAttempt) {
  std::vector<double> speeds = {0.0, 0.0};
  for (double v = 0.5; v <= 20.0; v += 0.5) speeds.push_back(v);
  speeds.push_back(15.0);  // 5.0 below: not more than 5
  for (double v = 15.5; v <= 30.0; v += 0.5) speeds.push_back(v);
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, Stream(speeds));
  EXPECT_EQ(engine.Sets().size(), 1u);
  EXPECT_EQ(engine.Result(k0To100Kph).completed, 1);
}

TEST(PerfTestEngine, SamplesWithoutTimeOrSpeedAreSkipped) {
  std::vector<PerfSample> stream = Stream({0.0, 0.2, 0.6, 1.0});
  PerfSample no_speed = stream[2];
  no_speed.speed = kNoValue;
  PerfSample no_time = stream[2];
  no_time.time = kNotSet;
  stream.insert(stream.begin() + 2, {no_speed, no_time});
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, stream);
  EXPECT_EQ(engine.LaunchTime(), 1050) << "as if the two were never there";
}

TEST(PerfTestEngine, NothingIsEvaluatedUntilThreeTimedSamples) {
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, Stream({0.0, 0.0}));
  EXPECT_TRUE(engine.Sets().empty());
}

TEST(PerfTestEngine, DistanceOriginWaitsForPositions) {
  // No positions at the launch; they arrive two samples later, while the
  // car is still close to the start.
  std::vector<double> speeds = {0.0, 0.0};
  for (int i = 1; i <= 40; ++i) speeds.push_back(0.5 * i);  // 5 m/s^2: 60 feet after 2.7 s
  std::vector<PerfSample> stream = Stream(speeds);
  for (size_t i = 0; i < 3; ++i) stream[i].position = GeoPoint{};
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, stream);
  EXPECT_TRUE(engine.Result(k60Feet).runs.at(0).Finished());
}

TEST(PerfTestEngine, OriginIsClearedPastTheLongestDistance) {
  PerfTestList tests;
  PerfTestEngine engine(tests);
  std::vector<double> speeds = {0.0, 0.0};
  for (int i = 0; i < 100; ++i) speeds.push_back(std::min(30.0, 0.5 * (i + 1)));
  for (const PerfSample& s : Stream(speeds)) engine.Add(s);
  EXPECT_TRUE(engine.HasOrigin()) << "a mile is not driven yet";
  // Keep cruising at 30 m/s for 60 s: past the mile the origin goes.
  const std::vector<PerfSample> more = Stream(std::vector<double>(600, 30.0), 1000 + 102 * 100);
  for (const PerfSample& s : more) engine.Add(s);
  EXPECT_FALSE(engine.HasOrigin());
}

TEST(PerfTestEngine, TwoHundredAttemptsAreKept) {
  std::vector<double> cycle = {0.0, 0.0, 0.5, 2.0, 4.0, 6.0, 8.0, 10.0, 4.0, 0.0};
  std::vector<double> speeds;
  constexpr int kCycles = 230;
  for (int i = 0; i < kCycles; ++i) speeds.insert(speeds.end(), cycle.begin(), cycle.end());
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, Stream(speeds));
  // The last braking opened a set in which nothing has started yet.
  ASSERT_EQ(engine.Sets().size(), static_cast<size_t>(PerfTestEngine::kMaxSets + 1));
  EXPECT_TRUE(engine.Sets().back().runs.empty());
  EXPECT_EQ(engine.Sets()[PerfTestEngine::kMaxSets - 1].attempt, kCycles);
  EXPECT_EQ(engine.Sets().front().attempt, kCycles - PerfTestEngine::kMaxSets + 1);
}

TEST(PerfTestEngine, BestIsTheShortestAndTheEarlierOfEqualTimes) {
  // Three attempts: 0.5 m/s^2 steps of 1 s at different rates.
  std::vector<double> speeds;
  for (double step : {2.0, 2.5, 2.5}) {
    speeds.insert(speeds.end(), {0.0, 0.0, 0.0});
    for (double v = step; v < 30.0; v += step) speeds.push_back(v);
    speeds.push_back(30.0);
    for (double v = 24.0; v > 0.0; v -= 6.0) speeds.push_back(v);
  }
  speeds.insert(speeds.end(), {0.0, 0.0});
  PerfTestList tests;
  const PerfTestEngine engine = FeedAll(tests, Stream(speeds));
  const PerfTestResult r = engine.Result(k0To100Kph);
  ASSERT_EQ(r.completed, 3);
  EXPECT_EQ(r.best, 1);
  EXPECT_EQ(r.runs[1].RunTime(), r.runs[2].RunTime());
  EXPECT_LT(r.runs[1].RunTime(), r.runs[0].RunTime());
  const WideString expected =
      FormatUN(kStrBestRunSummary, FormatDuration(r.runs[1].RunTime(), 2, false, true), 3);
  EXPECT_EQ(engine.Summary(k0To100Kph), expected);
  EXPECT_EQ(std::u16string(expected.AsView()).substr(0, 6), u"Best: ");
}

TEST(PerfTestEngine, ObdSpeedIsUsedOnceFiveSamplesExist) {
  const StraightRun run(Drive(10, 0.0, 1234.5, {{10.0, 4.0}}, 12000.0));
  const SampleList gps = Record(run);
  // The adapter's speed at 5 Hz, off the GPS epochs, with a few unset.
  std::vector<PerfSample> obd;
  for (double t = 37.0; t < 11500.0; t += 200.0) {
    PerfSample s;
    s.time = static_cast<int32_t>(kStart + t);
    s.speed = static_cast<int>(t) % 1400 == 1237 ? kNoValue : run.SpeedAt(t);
    obd.push_back(s);
  }
  AttachPositions(obd, View(gps));
  PerfTestList tests;
  PerfTestEngine engine(tests);
  engine.SetSource(PerfSpeedSource::kObd);
  engine.Step(View(gps));
  EXPECT_EQ(engine.NextIndex(), 0) << "GPS samples are not this engine's source";
  engine.StepObd(std::span<const PerfSample>(obd).first(4));
  EXPECT_EQ(engine.NextIndex(), 0);
  engine.StepObd(obd);
  EXPECT_EQ(engine.NextIndex(), static_cast<int32_t>(obd.size()));
  for (int32_t test : {k0To60Mph, k0To100Kph, k80To120Kph, k60Feet, kEighthMile}) {
    const PerfTestResult r = engine.Result(test);
    ASSERT_EQ(r.completed, 1) << test;
    EXPECT_NEAR(r.runs[0].RunTime(), TrueRunTime(run, tests.At(test)), kToleranceMs) << test;
  }
}

TEST(PerfTestEngine, AttachPositionsInterpolatesBetweenGpsSamples) {
  SampleList gps(kSampleListGrowth);
  LogSample a, b;
  a.time = 1000;
  a.position = {600000, 1200000};
  b.time = 1200;
  b.position = {600200, 1200400};
  gps.Append(a);
  gps.Append(b);
  std::vector<PerfSample> obd(4);
  obd[0].time = 900;   // before the track
  obd[1].time = 1050;  // a quarter of the way
  obd[2].time = 1200;  // on a sample
  obd[3].time = 1300;  // after
  AttachPositions(obd, View(gps));
  EXPECT_FALSE(obd[0].position.IsValid());
  EXPECT_NEAR(obd[1].position.lat, AngleValueToRad(600050), 1e-15);
  EXPECT_NEAR(obd[1].position.lon, AngleValueToRad(1200100), 1e-15);
  EXPECT_DOUBLE_EQ(obd[2].position.lat, AngleValueToRad(600200));
  EXPECT_FALSE(obd[3].position.IsValid());
}

}  // namespace
}  // namespace kv
