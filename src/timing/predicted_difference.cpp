#include "timing/predicted_difference.h"

#include <algorithm>

namespace kv {

namespace {

uint64_t Mix(uint64_t hash, uint64_t value) {
  hash ^= value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
  return hash;
}

uint64_t MarkKey(uint64_t hash, const LapMark& mark) {
  return Mix(Mix(hash, static_cast<uint32_t>(mark.sample_index)),
             static_cast<uint32_t>(mark.Time()));
}

// 0 only for no lap. A driven lap's marks never change once it is
// finished; a composite lap's middle marks change when a sector gets a
// new winner, so all of them count.
uint64_t KeyOf(const Lap* lap) {
  if (lap == nullptr) return 0;
  uint64_t hash =
      Mix(Mix(1, reinterpret_cast<uintptr_t>(lap)), reinterpret_cast<uintptr_t>(&lap->Samples()));
  hash = Mix(MarkKey(hash, lap->Start()), static_cast<uint32_t>(lap->MarkCount()));
  const int32_t first = lap->IsComposite() ? 0 : std::max(lap->MarkCount() - 1, 0);
  for (int32_t k = first; k < lap->MarkCount(); ++k) hash = MarkKey(hash, lap->MarkAt(k));
  return hash == 0 ? 1 : hash;
}

GeoPoint PointOf(const LogSample& sample) { return ToGeoPoint(sample.position); }

// The step from `from` to `to` when both are known; the sum skips a fix
// without a position rather than jumping over it with NaN.
bool Step(const GeoPoint& from, const GeoPoint& to, double* step) {
  if (!to.IsValid()) return false;
  const double d = Distance(from, to);
  *step = IsSet(d) ? d : 0.0;
  return true;
}

}  // namespace

void PredictedDifference::Reset() { *this = PredictedDifference(); }

void PredictedDifference::Update(const Lap* running, const Lap* comparison) {
  const uint64_t key = KeyOf(comparison);
  if (key != comparison_key_) {
    comparison_key_ = key;
    profile_.clear();
    cursor_ = 0;
    if (comparison != nullptr && comparison->IsFinished()) BuildProfile(*comparison);
  }
  value_ = kNotSet;
  if (running == nullptr) {
    running_ = nullptr;
    return;
  }
  if (running != running_ || running->Start().sample_index != running_start_)
    StartRunning(*running);
  const SampleList& samples = running->Samples();
  for (; next_sample_ < samples.Count(); ++next_sample_) {
    const GeoPoint point = PointOf(samples[next_sample_]);
    double step = 0.0;
    if (!Step(last_point_, point, &step)) continue;
    distance_ += step;
    last_point_ = point;
  }
  if (next_sample_ <= running_start_ || samples.Empty()) return;
  const int32_t start = running->Start().Time();
  const int32_t now = samples[samples.Count() - 1].time;
  if (IsSet(start) && IsSet(now)) value_ = Difference(distance_, now - start);
}

void PredictedDifference::StartRunning(const Lap& running) {
  running_ = &running;
  running_start_ = std::max(running.Start().sample_index, 0);
  next_sample_ = running_start_;
  last_point_ = PointOf(running.Start().crossing_sample);
  distance_ = 0.0;
  cursor_ = 0;
}

void PredictedDifference::BuildProfile(const Lap& lap) {
  const SampleList& samples = lap.Samples();
  profile_.push_back({0.0, 0.0});
  // Segment by segment, from each mark's previous mark: a driven lap is one
  // run of fixes, a composite lap joins runs of several laps.
  for (int32_t k = 0; k < lap.MarkCount(); ++k) {
    const LapMark& mark = lap.MarkAt(k);
    const LapMark* from = mark.previous;
    if (from == nullptr || !IsSet(from->Time()) || !IsSet(mark.Time()) ||
        !from->crossing_sample.position.IsSet()) {
      profile_.clear();
      return;
    }
    const ProfilePoint base = profile_.back();
    GeoPoint last = PointOf(from->crossing_sample);
    double distance = base.distance;
    const int32_t first = std::max(from->sample_index, 0);
    const int32_t end = std::min(mark.sample_index, samples.Count());
    for (int32_t i = first; i < end; ++i) {
      const GeoPoint point = PointOf(samples[i]);
      double step = 0.0;
      if (!IsSet(samples[i].time) || !Step(last, point, &step)) continue;
      distance += step;
      last = point;
      profile_.push_back({distance, base.elapsed + (samples[i].time - from->Time())});
    }
    double step = 0.0;
    Step(last, PointOf(mark.crossing_sample), &step);
    profile_.push_back({distance + step, base.elapsed + (mark.Time() - from->Time())});
  }
}

int32_t PredictedDifference::Difference(double distance, int32_t elapsed) {
  if (profile_.size() < 2) return kNotSet;
  const ProfilePoint& end = profile_.back();
  if (!(end.distance > 0.0)) return kNotSet;
  double comparison = end.elapsed;
  if (distance > end.distance) {
    if (distance > end.distance * (1.0 + kOverrun)) return kNotSet;
  } else {
    while (cursor_ + 1 < profile_.size() && profile_[cursor_ + 1].distance < distance) ++cursor_;
    const ProfilePoint& a = profile_[cursor_];
    const ProfilePoint& b = profile_[cursor_ + 1];
    comparison = a.elapsed + SafeDivide(distance - a.distance, b.distance - a.distance) *
                                 (b.elapsed - a.elapsed);
  }
  return elapsed - static_cast<int32_t>(comparison + 0.5);
}

}  // namespace kv
