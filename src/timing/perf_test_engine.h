// PerfTestEngine: times every test of the list at once on one stream of
// speed samples, the live step of a "Performance testing" session.
//
// The stream is either the session's GPS samples or the OBD-II speed
// samples (SetSource). Each usable sample (time and speed set) shifts a
// window of three (s0 oldest, s2 newest); on each full window the engine
//   1. tracks the attempt's peak speed: dropping more than 5 m/s below it
//      ends the attempt (a new RunSet; unfinished runs stay unfinished);
//   2. sees a launch (s0 at most 0.04 m/s, or s0 above it, s1 at most
//      0.25 and s2 above 0.25 m/s) and starts every test whose start speed
//      is 0 at the instant of zero speed extrapolated from the window;
//   3. starts the rolling speed tests where their start speed is crossed;
//   4. puts the distance origin at the launch point;
//   5. finishes speed tests where their finish speed is crossed;
//   6. finishes distance tests where the straight-line distance from the
//      origin reaches theirs (with the finish speed).
// Crossing instants are interpolated linearly between s1 and s2 and
// rounded to whole ms. Speeds are brought to 1/100 m/s first.
//
// Times are sample times in ms (time of day); 0 means "not started" or
// "not finished". Speeds m/s, distances metres. Main thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "core/geo_types.h"
#include "core/log_sample.h"
#include "core/obd_record.h"
#include "timing/perf_test_list.h"
#include "timing/sample_list.h"
#include "util/wide_string.h"

namespace kv {

// One sample of the speed stream.
struct PerfSample {
  int32_t time = kNotSet;   // ms
  double speed = kNoValue;  // m/s
  GeoPoint position;        // invalid when not known (distance tests wait)
};

struct PerfRun {
  int32_t test = 0;                   // index in the engine's test list
  int32_t start = 0;                  // ms, 0: not started
  int32_t finish = 0;                 // ms, 0: not finished
  AngleValue finish_speed = kNotSet;  // stored speed form; distance tests only

  bool Finished() const { return start != 0 && finish != 0; }
  // finish - start; -1 for an unfinished run.
  int32_t RunTime() const { return Finished() ? finish - start : -1; }
};

// One attempt: the runs started since the last launch or attempt end, at
// most one per test.
struct RunSet {
  int32_t attempt = 0;  // 1, 2, ... in the order attempts got their first run
  std::vector<PerfRun> runs;
};

// The runs of one test over the session.
struct PerfTestResult {
  int32_t test = 0;
  std::vector<PerfRun> runs;      // every run, attempt order
  std::vector<int32_t> attempts;  // attempt of each run
  int32_t completed = 0;
  int32_t best = -1;  // index into runs of the shortest time; -1 none
};

enum class PerfSpeedSource { kGps, kObd };

class PerfTestEngine {
 public:
  static constexpr int32_t kMaxSets = 200;
  static constexpr int32_t kMinObdSamples = 5;
  static constexpr double kStandingSpeed = 0.04;  // m/s
  static constexpr double kRollingSpeed = 0.25;   // m/s
  static constexpr double kAttemptDrop = 5.0;     // m/s below the peak

  // The tests are copied: edits to the list take effect with SetTests.
  explicit PerfTestEngine(const PerfTestList& tests) {
    SetTests(tests);
    Reset();
  }
  void SetTests(const PerfTestList& tests);
  void SetSource(PerfSpeedSource source) { source_ = source; }
  PerfSpeedSource Source() const { return source_; }

  // Back to no samples seen and no runs.
  void Reset();

  // Live step: consumes the samples not seen yet (from NextIndex() on).
  // GPS source: the session's sample list. OBD source: its speed samples,
  // used only once there are kMinObdSamples of them. A call with the other
  // source's kind of list does nothing. True when a run finished (the
  // screens then show new results).
  bool Step(std::span<const LogSample> gps_samples);
  bool Step(const SampleList& gps_samples) { return Step(View(gps_samples)); }
  bool StepObd(std::span<const PerfSample> obd_samples);
  // Reset and the whole list again (a loaded session).
  void Recompute(std::span<const LogSample> gps_samples);
  void Recompute(const SampleList& gps_samples) { Recompute(View(gps_samples)); }
  void RecomputeObd(std::span<const PerfSample> obd_samples);
  int32_t NextIndex() const { return next_index_; }

  // One sample through the window, whatever its source.
  void Add(const PerfSample& sample);

  const std::vector<PerfTest>& Tests() const { return tests_; }
  const std::deque<RunSet>& Sets() const { return sets_; }
  PerfTestResult Result(int32_t test) const;
  // "Best: 4.52 (3 runs)" or "No completed runs yet".
  WideString Summary(int32_t test) const;

  // The launch time of the current attempt (0 none) and whether a
  // distance origin is set; for the live screen.
  int32_t LaunchTime() const { return launch_time_; }
  bool HasOrigin() const { return origin_.IsValid(); }

 private:
  void Evaluate();
  bool Launch();
  void PlaceOrigin();
  void StepDistance();
  void OpenSet();
  RunSet& Current() { return sets_.back(); }
  PerfRun* Running(int32_t test);
  void StartRun(int32_t test, int32_t time);
  // t1 + (t2 - t1) * fraction, rounded.
  int32_t Between(double fraction) const;

  std::vector<PerfTest> tests_;
  double longest_distance_ = 0.0;
  PerfSpeedSource source_ = PerfSpeedSource::kGps;

  PerfSample window_[3];
  int32_t next_index_ = 0;
  int32_t launch_time_ = 0;
  bool launched_before_ = false;  // the previous window was a launch too
  GeoPoint origin_;
  double previous_distance_ = 0.0;
  double peak_ = 0.0;
  bool origin_pending_ = false;
  int32_t attempts_ = 0;
  std::deque<RunSet> sets_;
  int32_t finished_ = 0;  // runs finished so far, to tell a step's callers

  static std::span<const LogSample> View(const SampleList& samples) {
    return samples.Empty() ? std::span<const LogSample>()
                           : std::span<const LogSample>(&samples[0], samples.Count());
  }
};

// GPS samples as the engine reads them (speed in m/s, 2 decimals applied
// later by the engine).
PerfSample ToPerfSample(const LogSample& sample);

// OBD-II speed samples with the position of the GPS track at their time
// (linear between the GPS samples around it; invalid outside the track).
// The GPS samples must be in time order.
void AttachPositions(std::span<PerfSample> obd_samples, std::span<const LogSample> gps_samples);

// The engine's OBD-II speed stream: the speed channel's records in the
// recorded order, in m/s, with their positions attached.
std::vector<PerfSample> ObdSpeedSamples(std::span<const ObdRecord> records, std::span<const LogSample> gps_samples);

}  // namespace kv
