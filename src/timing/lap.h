// LapMark and Lap: one lap as the crossings made it. A driven lap has a
// start mark, split marks in crossing order (at most one per trap) and,
// once finished, a finish mark; it never reopens. A composite lap (the
// optimal lap) is assembled from other laps' segments: its marks are copies
// whose previous links point into the laps that drove them.
//
// All times are differences of crossing-sample times (ms); all distances
// differences of crossing-sample distances (AngleValue central angles).
// A measure that cannot be formed is kNotSet. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "timing/crossings.h"
#include "timing/lap_note_store.h"
#include "timing/sample_list.h"

namespace kv {

struct LapMark {
  // Where the segment ending here began: none for a start mark, else the
  // lap's previous split (or its start). In a composite lap it may be a
  // mark of another lap; marks never move, so the reference stays valid
  // as long as the laps do.
  const LapMark* previous = nullptr;
  int32_t trap_index = -1;
  int32_t sample_index = -1;  // later sample of the crossing interval
  LogSample crossing_sample;

  int32_t Time() const { return crossing_sample.time; }
  AngleValue Distance() const { return crossing_sample.distance; }
};

struct SpeedExtreme {
  int32_t sample_index = -1;
  int32_t is_maximum = 0;
};

class Lap {
 public:
  // samples: the session's sample list, which must outlive the lap.
  Lap(const SampleList& samples, bool composite);
  Lap(const Lap&) = delete;
  Lap& operator=(const Lap&) = delete;

  bool IsComposite() const { return composite_; }
  bool IsFinished() const { return finish_ != nullptr; }
  bool IsInvalid() const { return invalid_; }
  void SetInvalid(bool invalid) { invalid_ = invalid; }

  // --- Marks. Position k: 0..s-1 the splits, s the finish when finished.
  const LapMark& Start() const { return *start_; }
  const LapMark* Finish() const { return finish_.get(); }
  int32_t SplitCount() const { return static_cast<int32_t>(splits_.size()); }
  int32_t MarkCount() const { return SplitCount() + (IsFinished() ? 1 : 0); }
  const LapMark& MarkAt(int32_t k) const;
  // The split or finish mark for trap j; nullptr when none.
  const LapMark* MarkForTrap(int32_t j) const;
  // Position of the mark for trap j, -1 when none.
  int32_t MarkPosition(int32_t j) const;
  // True when any mark, the start included, is for trap j.
  bool HasMarkForTrap(int32_t j) const;
  // The last split mark, else the start mark.
  const LapMark& LastMark() const;

  // --- Building (the lap engine).
  void SetStart(const TrapCrossing& c);
  void AppendSplit(const TrapCrossing& c);
  void SetFinish(const TrapCrossing& c);
  // Composite laps: the start, then copies of other laps' marks with their
  // previous links set by the caller.
  void SetCompositeStart(const LapMark& mark);
  void AppendCompositeMark(const LapMark& mark, const LapMark* previous, bool is_finish);

  // --- Measures.
  int32_t LapTime() const;
  AngleValue LapDistance() const;
  int32_t SplitTime(int32_t trap) const;
  AngleValue SplitDistance(int32_t trap) const;  // 0 for trap -1 (the start)
  int32_t TimeIntoLap(int32_t time) const;
  AngleValue DistanceIntoLap(AngleValue distance) const;
  int32_t SectorTime(int32_t from_trap, int32_t to_trap) const;
  // Speed of the mark for the trap (the start mark for the start trap).
  AngleValue TrapSpeed(int32_t trap) const;
  int32_t NextTrap(int32_t trap) const;
  int32_t PreviousTrap(int32_t trap) const;
  void SectorBounds(int32_t trap, int32_t* from_trap, int32_t* to_trap) const;
  int32_t LastSampleIndex() const;
  LapWindow Window() const;

  // --- Speeds (see lap_results.h for the search).
  AngleValue MinimumSpeed() const { return minimum_speed_; }
  AngleValue MaximumSpeed() const { return maximum_speed_; }
  const std::vector<SpeedExtreme>& Extremes() const { return extremes_; }
  // Clears the extremes and searches them again; minimum and maximum only widen.
  void Finalise(AngleValue threshold);

  const SampleList& Samples() const { return samples_; }

 private:
  // Driven laps subtract from the start; composite laps add up segments.
  template <typename Value>
  Value Cumulative(const LapMark* upto, Value (*value)(const LapMark&)) const;
  void SearchExtremes(int32_t from, int32_t to, AngleValue threshold);
  void IndexMark(int32_t trap, int32_t position);

  const SampleList& samples_;
  bool composite_;
  bool invalid_ = false;
  std::unique_ptr<LapMark> start_;
  std::vector<std::unique_ptr<LapMark>> splits_;
  std::unique_ptr<LapMark> finish_;
  // Position of the first split or finish mark of each trap (-1 none): the
  // optimal lap asks every lap for every sector after every split.
  std::vector<int32_t> position_of_trap_;
  std::vector<SpeedExtreme> extremes_;
  AngleValue minimum_speed_ = kNotSet;
  AngleValue maximum_speed_ = kNotSet;
};

}  // namespace kv
