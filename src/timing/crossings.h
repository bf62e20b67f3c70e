// Line crossings: deciding that the vehicle crossed a trap's line between
// two consecutive samples, interpolating the moment, position and speed of
// the crossing, and keeping the session's crossing list up to date (live,
// one sample at a time, or recomputed from the whole sample list).
// Main thread only.
#pragma once

#include <cstdint>

#include "core/growable_array.h"
#include "core/log_sample.h"
#include "timing/geodesy.h"
#include "timing/sample_list.h"
#include "timing/trap.h"

namespace kv {

struct TrapCrossing {
  int32_t trap_index = -1;
  int32_t sample_index = -1;     // the later of the two samples around the crossing
  int32_t sample_interval = 0;   // ms between the two samples
  LogSample crossing_sample;     // interpolated at the crossing point
};

inline constexpr int32_t kCrossingListGrowth = 64;
using CrossingList = GrowableArray<TrapCrossing>;

// Crossing test of one trap for the movement p1 (earlier) -> p2 (later).
// A disabled trap, a standing vehicle (p1 == p2) or a unidirectional trap
// driven more than 90 degrees off its bearing (exactly 90 included) never
// crosses. On a crossing returns true and fills *crossing.
bool CrossesTrap(const Trap& trap, IntPoint p1, IntPoint p2, SegmentCrossing* crossing);

// The sample a fraction f (0..1) of the way from sample i - 1 to sample i.
// An index outside the list gives an empty sample; index 0 gives sample 0.
LogSample InterpolateSample(const SampleList& samples, int32_t i, double f);

// Appends every trap crossed between samples i - 1 and i, in trap-list
// order (not the order along the movement). A line passing exactly through
// sample i - 1 was found with the previous interval and is not added again.
void FindCrossings(const SampleList& samples, const TrapList& traps, int32_t i, CrossingList& crossings);

// After a sample was appended: the crossings between the last two samples.
void UpdateCrossingsLive(const SampleList& samples, const TrapList& traps, CrossingList& crossings);

// Empties the list and searches every interval of the sample list again.
void RecomputeCrossings(const SampleList& samples, const TrapList& traps, CrossingList& crossings);

}  // namespace kv
