#include "timing/lap.h"

#include "util/errors.h"

namespace kv {

namespace {

LapMark MarkFrom(const TrapCrossing& c, const LapMark* previous) {
  LapMark mark;
  mark.previous = previous;
  mark.trap_index = c.trap_index;
  mark.sample_index = c.sample_index;
  mark.crossing_sample = c.crossing_sample;
  return mark;
}

int32_t TimeOf(const LapMark& m) { return m.Time(); }
AngleValue DistanceOf(const LapMark& m) { return m.Distance(); }

int32_t Difference(int32_t later, int32_t earlier) {
  if (!IsSet(later) || !IsSet(earlier)) return kNotSet;
  return later - earlier;
}

}  // namespace

Lap::Lap(const SampleList& samples, bool composite)
    : samples_(samples), composite_(composite), start_(std::make_unique<LapMark>()) {}

const LapMark& Lap::MarkAt(int32_t k) const {
  if (k >= 0 && k < SplitCount()) return *splits_[static_cast<size_t>(k)];
  if (k == SplitCount() && finish_) return *finish_;
  ReportProgrammingError(kBadArrayIndex);
  return *start_;
}

const LapMark* Lap::MarkForTrap(int32_t j) const {
  const int32_t k = MarkPosition(j);
  return k < 0 ? nullptr : &MarkAt(k);
}

int32_t Lap::MarkPosition(int32_t j) const {
  if (j < 0 || j >= static_cast<int32_t>(position_of_trap_.size())) return -1;
  return position_of_trap_[static_cast<size_t>(j)];
}

void Lap::IndexMark(int32_t trap, int32_t position) {
  if (trap < 0) return;
  if (trap >= static_cast<int32_t>(position_of_trap_.size())) position_of_trap_.resize(static_cast<size_t>(trap) + 1, -1);
  int32_t& slot = position_of_trap_[static_cast<size_t>(trap)];
  if (slot < 0) slot = position;
}

bool Lap::HasMarkForTrap(int32_t j) const { return start_->trap_index == j || MarkPosition(j) >= 0; }

const LapMark& Lap::LastMark() const { return splits_.empty() ? *start_ : *splits_.back(); }

void Lap::SetStart(const TrapCrossing& c) { *start_ = MarkFrom(c, nullptr); }

void Lap::AppendSplit(const TrapCrossing& c) {
  splits_.push_back(std::make_unique<LapMark>(MarkFrom(c, &LastMark())));
  IndexMark(c.trap_index, SplitCount() - 1);
}

void Lap::SetFinish(const TrapCrossing& c) {
  finish_ = std::make_unique<LapMark>(MarkFrom(c, &LastMark()));
  IndexMark(c.trap_index, SplitCount());
}

void Lap::SetCompositeStart(const LapMark& mark) {
  *start_ = mark;
  start_->previous = nullptr;
}

void Lap::AppendCompositeMark(const LapMark& mark, const LapMark* previous, bool is_finish) {
  auto copy = std::make_unique<LapMark>(mark);
  copy->previous = previous;
  if (is_finish) {
    finish_ = std::move(copy);
    IndexMark(mark.trap_index, SplitCount());
  } else {
    splits_.push_back(std::move(copy));
    IndexMark(mark.trap_index, SplitCount() - 1);
  }
}

template <typename Value>
Value Lap::Cumulative(const LapMark* upto, Value (*value)(const LapMark&)) const {
  if (upto == nullptr) return kNotSet;
  if (!composite_) return Difference(value(*upto), value(*start_));
  int64_t sum = 0;
  for (int32_t k = 0; k < MarkCount(); ++k) {
    const LapMark& mark = MarkAt(k);
    if (mark.previous == nullptr) return kNotSet;
    const int32_t segment = Difference(value(mark), value(*mark.previous));
    if (!IsSet(segment)) return kNotSet;
    sum += segment;
    if (&mark == upto) return static_cast<Value>(sum);
  }
  return kNotSet;
}

int32_t Lap::LapTime() const { return Cumulative<int32_t>(finish_.get(), TimeOf); }

AngleValue Lap::LapDistance() const { return Cumulative<AngleValue>(finish_.get(), DistanceOf); }

int32_t Lap::SplitTime(int32_t trap) const {
  if (trap == start_->trap_index && MarkPosition(trap) < 0) return 0;
  return Cumulative<int32_t>(MarkForTrap(trap), TimeOf);
}

AngleValue Lap::SplitDistance(int32_t trap) const {
  if (trap == -1) return 0;
  if (trap == start_->trap_index && MarkPosition(trap) < 0) return 0;
  return Cumulative<AngleValue>(MarkForTrap(trap), DistanceOf);
}

int32_t Lap::TimeIntoLap(int32_t time) const {
  if (!IsSet(time)) return kNotSet;
  if (!composite_) return Difference(time, start_->Time());
  int64_t whole = 0;
  for (int32_t k = 0; k < MarkCount(); ++k) {
    const LapMark& mark = MarkAt(k);
    if (mark.previous == nullptr) return kNotSet;
    const int32_t from = mark.previous->Time();
    if (time >= from && time <= mark.Time()) return static_cast<int32_t>(whole + (time - from));
    whole += mark.Time() - from;
  }
  return kNotSet;
}

AngleValue Lap::DistanceIntoLap(AngleValue distance) const {
  if (!IsSet(distance)) return kNotSet;
  if (!composite_) return Difference(distance, start_->Distance());
  int64_t whole = 0;
  for (int32_t k = 0; k < MarkCount(); ++k) {
    const LapMark& mark = MarkAt(k);
    if (mark.previous == nullptr) return kNotSet;
    const AngleValue from = mark.previous->Distance();
    if (distance >= from && distance <= mark.Distance()) return static_cast<AngleValue>(whole + (distance - from));
    whole += mark.Distance() - from;
  }
  return kNotSet;
}

int32_t Lap::SectorTime(int32_t from_trap, int32_t to_trap) const {
  const LapMark* end = MarkForTrap(to_trap);
  if (end == nullptr) return kNotSet;
  // Following the links, not the positions, keeps a sector timed when the
  // lap crossed extra splits inside it.
  for (const LapMark* m = end->previous; m != nullptr; m = m->previous) {
    if (m->trap_index == from_trap) return Difference(end->Time(), m->Time());
  }
  return kNotSet;
}

AngleValue Lap::TrapSpeed(int32_t trap) const {
  const LapMark* mark = MarkForTrap(trap);
  if (mark == nullptr && trap == start_->trap_index) mark = start_.get();
  return mark == nullptr ? kNotSet : mark->crossing_sample.speed;
}

int32_t Lap::NextTrap(int32_t trap) const {
  const int32_t count = MarkCount();
  if (count == 0) return -1;
  const int32_t k = MarkPosition(trap);
  if (k < 0 || k == count - 1) return MarkAt(0).trap_index;
  return MarkAt(k + 1).trap_index;
}

int32_t Lap::PreviousTrap(int32_t trap) const {
  const int32_t count = MarkCount();
  if (count == 0) return -1;
  const int32_t k = MarkPosition(trap);
  if (k < 0) return MarkAt(count - 1).trap_index;
  if (k == 0) return -1;
  return MarkAt(k - 1).trap_index;
}

void Lap::SectorBounds(int32_t trap, int32_t* from_trap, int32_t* to_trap) const {
  const LapMark* mark = trap == -1 ? nullptr : MarkForTrap(trap);
  if (mark != nullptr) {
    *from_trap = mark->previous != nullptr ? mark->previous->trap_index : -1;
    *to_trap = trap;
    return;
  }
  *from_trap = start_->trap_index;
  if (finish_) {
    *to_trap = finish_->trap_index;
  } else if (!splits_.empty()) {
    *to_trap = splits_.back()->trap_index;
  } else {
    *to_trap = -1;
  }
}

int32_t Lap::LastSampleIndex() const {
  if (finish_) return finish_->sample_index;
  return LastMark().sample_index;
}

LapWindow Lap::Window() const {
  LapWindow w;
  w.first_sample = start_->sample_index - 1;
  w.last_sample = LastSampleIndex();
  if (w.first_sample >= 0 && w.first_sample < samples_.Count()) w.first_time = samples_[w.first_sample].time;
  if (w.last_sample >= 0 && w.last_sample < samples_.Count()) w.last_time = samples_[w.last_sample].time;
  return w;
}

void Lap::Finalise(AngleValue threshold) {
  extremes_.clear();
  if (!composite_) {
    SearchExtremes(start_->sample_index - 1, LastSampleIndex(), threshold);
    return;
  }
  for (int32_t k = 0; k < MarkCount(); ++k) {
    const LapMark& mark = MarkAt(k);
    if (mark.previous != nullptr) SearchExtremes(mark.previous->sample_index, mark.sample_index - 1, threshold);
  }
}

// Hi/Lo search: follow a rise (or fall) while it continues; a turn counts
// only when the speed moved back by more than the threshold, so noise on a
// straight does not produce a string of extremes.
void Lap::SearchExtremes(int32_t from, int32_t to, AngleValue threshold) {
  if (from < 0) from = 0;
  if (to >= samples_.Count()) to = samples_.Count() - 1;
  bool rising = true;
  AngleValue candidate = kNotSet;
  int32_t candidate_index = -1;
  for (int32_t i = from; i <= to; ++i) {
    const AngleValue v = samples_[i].speed;
    if (!IsSet(v)) continue;
    if (!IsSet(minimum_speed_) || minimum_speed_ > v) minimum_speed_ = v;
    if (!IsSet(maximum_speed_) || maximum_speed_ < v) maximum_speed_ = v;
    if (candidate_index < 0) {
      if (v > threshold) {
        rising = true;
        candidate = v;
        candidate_index = i;
      }
    } else if ((rising && v > candidate) || (!rising && v < candidate)) {
      candidate = v;
      candidate_index = i;
    } else if ((rising && static_cast<int64_t>(v) >= static_cast<int64_t>(candidate) - threshold) ||
               (!rising && static_cast<int64_t>(v) <= static_cast<int64_t>(candidate) + threshold)) {
      // still within the threshold of the candidate
    } else {
      extremes_.push_back({candidate_index, rising ? 1 : 0});
      rising = !rising;
      candidate = v;
      candidate_index = i;
    }
  }
}

}  // namespace kv
