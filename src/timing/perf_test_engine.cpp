#include "timing/perf_test_engine.h"

#include <algorithm>
#include <cmath>

#include "acquisition/obd_channels.h"
#include "timing/geodesy.h"
#include "timing/sample_list.h"
#include "util/duration_text.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {

namespace {

// Receivers report speed to a few hundredths; keeping more digits only lets
// noise decide on which sample a threshold is crossed.
double ToHundredths(double mps) { return std::floor(mps * 100.0 + 0.5) / 100.0; }

int32_t RoundedMs(double ms) { return static_cast<int32_t>(ms + 0.5); }

GeoPoint Lerp(GeoPoint a, GeoPoint b, double f) {
  return {a.lat + (b.lat - a.lat) * f, a.lon + (b.lon - a.lon) * f};
}

}  // namespace

void PerfTestEngine::SetTests(const PerfTestList& tests) {
  tests_.clear();
  longest_distance_ = 0.0;
  for (int32_t i = 0; i < tests.Count(); ++i) {
    tests_.push_back(tests.At(i));
    if (tests_.back().IsDistance())
      longest_distance_ = std::max(longest_distance_, tests_.back().distance);
  }
}

void PerfTestEngine::Reset() {
  // Times of 0: nothing is evaluated until three real samples arrived.
  for (PerfSample& s : window_) {
    s = PerfSample{};
    s.time = 0;
  }
  next_index_ = 0;
  launch_time_ = 0;
  launched_before_ = false;
  origin_ = GeoPoint{};
  previous_distance_ = 0.0;
  peak_ = 0.0;
  origin_pending_ = false;
  attempts_ = 0;
  sets_.clear();
  finished_ = 0;
}

bool PerfTestEngine::Step(std::span<const LogSample> gps_samples) {
  if (source_ != PerfSpeedSource::kGps) return false;
  const int32_t finished = finished_;
  const auto count = static_cast<int32_t>(gps_samples.size());
  for (; next_index_ < count; ++next_index_)
    Add(ToPerfSample(gps_samples[static_cast<size_t>(next_index_)]));
  return finished_ != finished;
}

bool PerfTestEngine::StepObd(std::span<const PerfSample> obd_samples) {
  if (source_ != PerfSpeedSource::kObd) return false;
  const auto count = static_cast<int32_t>(obd_samples.size());
  // The adapter's first replies come while it is still settling on a
  // protocol; a handful of samples shows it is really delivering.
  if (count < kMinObdSamples) return false;
  const int32_t finished = finished_;
  for (; next_index_ < count; ++next_index_) Add(obd_samples[static_cast<size_t>(next_index_)]);
  return finished_ != finished;
}

void PerfTestEngine::Recompute(std::span<const LogSample> gps_samples) {
  Reset();
  Step(gps_samples);
}

void PerfTestEngine::RecomputeObd(std::span<const PerfSample> obd_samples) {
  Reset();
  StepObd(obd_samples);
}

void PerfTestEngine::Add(const PerfSample& sample) {
  // Without a time or a speed a sample can neither start nor finish a run,
  // and letting it into the window would spoil the two around it.
  if (!IsSet(sample.time) || !IsSet(sample.speed)) return;
  window_[0] = window_[1];
  window_[1] = window_[2];
  window_[2] = sample;
  window_[2].speed = ToHundredths(sample.speed);
  for (const PerfSample& s : window_) {
    if (s.time <= 0) return;
  }
  Evaluate();
}

void PerfTestEngine::Evaluate() {
  if (origin_pending_) PlaceOrigin();
  const double v1 = window_[1].speed;
  const double v2 = window_[2].speed;

  // 1. The attempt ends when the car slows well below its peak.
  if (sets_.empty()) OpenSet();
  if (v2 > peak_) {
    peak_ = v2;
  } else if (peak_ - v2 > kAttemptDrop) {
    peak_ = v2;
    OpenSet();
  }

  // 2. Launch.
  const bool launch = Launch();

  // 3. Rolling starts.
  for (size_t i = 0; i < tests_.size(); ++i) {
    const PerfTest& t = tests_[i];
    if (t.IsDistance()) continue;
    if (v1 < t.start_speed && t.start_speed <= v2) {
      StartRun(static_cast<int32_t>(i), Between((t.start_speed - v1) / (v2 - v1)));
    }
  }

  // 4. Distance origin at the launch point.
  if (launch) {
    origin_pending_ = true;
    PlaceOrigin();
  }

  // 5. Speed finishes.
  for (size_t i = 0; i < tests_.size(); ++i) {
    const PerfTest& t = tests_[i];
    if (t.IsDistance()) continue;
    if (v1 < t.finish_speed && t.finish_speed <= v2) {
      if (PerfRun* run = Running(static_cast<int32_t>(i))) {
        run->finish = Between((t.finish_speed - v1) / (v2 - v1));
        ++finished_;
      }
    }
  }

  // 6. Distance finishes.
  StepDistance();
}

bool PerfTestEngine::Launch() {
  const PerfSample& s0 = window_[0];
  const PerfSample& s1 = window_[1];
  const PerfSample& s2 = window_[2];
  const bool standing = s0.speed <= kStandingSpeed;
  const bool rolling =
      s0.speed > kStandingSpeed && s1.speed <= kRollingSpeed && s2.speed > kRollingSpeed;
  if (!standing && !rolling) {
    launched_before_ = false;
    return false;
  }
  // Consecutive launches while standing belong to one attempt: its runs
  // are only moved to the latest launch (StartRun).
  if (!launched_before_) OpenSet();
  launched_before_ = true;

  // The instant of zero speed: with a1 the mean acceleration from s0 to s1
  // (taking s0 as standing) and a2 that from s1 to s2, a car that moved
  // off during [t0, t1] at a steady a2 did so a1 / a2 of the way back from
  // t1.
  const double dt1 = s1.time - s0.time;
  const double a1 = SafeDivide(s1.speed, dt1 / 1000.0);
  const double a2 = SafeDivide(s2.speed - s1.speed, (s2.time - s1.time) / 1000.0);
  const double f = a1 > 0.0 && a2 > 0.0 && a1 < a2 ? a1 / a2 : 1.0;
  launch_time_ = s0.time + static_cast<int32_t>(dt1 * (1.0 - f) + 0.5);
  for (size_t i = 0; i < tests_.size(); ++i) {
    if (tests_[i].start_speed == 0.0) StartRun(static_cast<int32_t>(i), launch_time_);
  }
  return true;
}

void PerfTestEngine::PlaceOrigin() {
  const PerfSample& s0 = window_[0];
  const PerfSample& s1 = window_[1];
  if (launch_time_ == 0 || !s0.position.IsValid() || !s1.position.IsValid()) return;
  origin_ = Lerp(s0.position, s1.position, SafeDivide(launch_time_ - s0.time, s1.time - s0.time));
  previous_distance_ = 0.0;
  origin_pending_ = false;
}

void PerfTestEngine::StepDistance() {
  const PerfSample& s1 = window_[1];
  const PerfSample& s2 = window_[2];
  // A sample without a position leaves the previous distance standing, so
  // the next one with a position interpolates across the gap.
  if (!origin_.IsValid() || !s2.position.IsValid()) return;
  const double d = RadToMetres(Distance(origin_, s2.position));
  for (size_t i = 0; i < tests_.size(); ++i) {
    const PerfTest& t = tests_[i];
    if (!t.IsDistance()) continue;
    if (previous_distance_ < t.distance && d >= t.distance) {
      const double f = SafeDivide(t.distance - previous_distance_, d - previous_distance_);
      if (PerfRun* run = Running(static_cast<int32_t>(i))) {
        run->finish = Between(f);
        run->finish_speed = MetresPerSecondToStored((1.0 - f) * s1.speed + f * s2.speed);
        ++finished_;
      }
    }
  }
  if (d > longest_distance_) origin_ = GeoPoint{};
  previous_distance_ = d;
}

void PerfTestEngine::OpenSet() {
  // An attempt in which nothing started is no attempt; reuse it.
  if (!sets_.empty() && sets_.back().runs.empty()) return;
  sets_.emplace_back();
}

PerfRun* PerfTestEngine::Running(int32_t test) {
  if (sets_.empty()) return nullptr;
  for (PerfRun& run : Current().runs) {
    if (run.test == test && run.start != 0 && run.finish == 0) return &run;
  }
  return nullptr;
}

void PerfTestEngine::StartRun(int32_t test, int32_t time) {
  if (PerfRun* run = Running(test)) {
    run->start = time;
    return;
  }
  for (const PerfRun& run : Current().runs) {
    if (run.test == test) return;  // finished in this attempt already
  }
  if (static_cast<int32_t>(sets_.size()) > kMaxSets) sets_.pop_front();
  RunSet& set = Current();
  if (set.runs.empty()) set.attempt = ++attempts_;
  PerfRun run;
  run.test = test;
  run.start = time;
  set.runs.push_back(run);
}

int32_t PerfTestEngine::Between(double fraction) const {
  const int32_t t1 = window_[1].time;
  return t1 + RoundedMs((window_[2].time - t1) * fraction);
}

PerfTestResult PerfTestEngine::Result(int32_t test) const {
  PerfTestResult result;
  result.test = test;
  for (const RunSet& set : sets_) {
    for (const PerfRun& run : set.runs) {
      if (run.test != test) continue;
      result.runs.push_back(run);
      result.attempts.push_back(set.attempt);
      if (!run.Finished()) continue;
      ++result.completed;
      const auto index = static_cast<int32_t>(result.runs.size()) - 1;
      // Strictly shorter: of equal times the earlier run stays best.
      if (result.best < 0 ||
          run.RunTime() < result.runs[static_cast<size_t>(result.best)].RunTime()) {
        result.best = index;
      }
    }
  }
  return result;
}

WideString PerfTestEngine::Summary(int32_t test) const {
  const PerfTestResult r = Result(test);
  if (r.best < 0) return Load(kStrNoCompletedRuns);
  const WideString time =
      FormatDuration(r.runs[static_cast<size_t>(r.best)].RunTime(), 2, false, true);
  return FormatUN(kStrBestRunSummary, time, r.completed);
}

PerfSample ToPerfSample(const LogSample& sample) {
  PerfSample p;
  p.time = sample.time;
  p.speed = IsSet(sample.speed) ? RadToMetres(StoredToSpeed(sample.speed)) : kNoValue;
  if (sample.position.IsSet()) p.position = ToGeoPoint(sample.position);
  return p;
}

void AttachPositions(std::span<PerfSample> obd_samples, std::span<const LogSample> gps_samples) {
  for (PerfSample& p : obd_samples) {
    p.position = GeoPoint{};
    if (!IsSet(p.time)) continue;
    const auto after = std::lower_bound(gps_samples.begin(), gps_samples.end(), p.time,
                                        [](const LogSample& s, int32_t t) { return s.time < t; });
    if (after == gps_samples.end() || !after->position.IsSet()) continue;
    if (after->time == p.time) {
      p.position = ToGeoPoint(after->position);
      continue;
    }
    if (after == gps_samples.begin()) continue;
    const LogSample& before = *(after - 1);
    if (!before.position.IsSet()) continue;
    const double f = SafeDivide(p.time - before.time, after->time - before.time);
    p.position = Lerp(ToGeoPoint(before.position), ToGeoPoint(after->position), f);
  }
}

std::vector<PerfSample> ObdSpeedSamples(std::span<const ObdRecord> records, std::span<const LogSample> gps_samples) {
  const ObdChannelTable table;
  std::vector<PerfSample> out;
  for (const ObdRecord& record : records) {
    const ObdChannel* channel = table.Lookup(record.channel);
    if (channel == nullptr || channel->unit_kind != kUnitSpeed) continue;
    PerfSample s;
    s.time = record.time;
    s.speed = ObdChannelTable::Value(*channel, static_cast<int32_t>(record.value));
    out.push_back(s);
  }
  AttachPositions(out, gps_samples);
  return out;
}

}  // namespace kv
