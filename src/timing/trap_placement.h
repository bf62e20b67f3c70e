// Adding a trap while driving or from a sample picked on the map or graph.
// Both refuse rather than guess: a trap with a wrong bearing would silently
// time nothing. The caller recomputes crossings and laps after a success.
// Main thread only.
#pragma once

#include <cstdint>

#include "timing/heading_estimator.h"
#include "timing/sample_list.h"
#include "timing/trap.h"

namespace kv {

// What decides whether traps may be added at all.
struct TrapPlacementContext {
  bool lap_timing_session = false;  // session type "Lap timing"
  bool traps_locked = false;        // "Lock traps"
};

// At the newest sample with the estimator's heading: needs a lap timing
// session, at least 2 samples, unlocked traps and a known heading.
// Appends a 50 m unidirectional trap with the type's default name.
bool AddTrapAtCurrentPosition(const TrapPlacementContext& context, const SampleList& samples,
                              const HeadingEstimator& heading, TrapLineType line_type, TrapList& traps);

// At sample `index` with the heading stored in it as bearing; nothing is
// added for an index outside the list (-1 = nothing selected) or a sample
// without heading.
bool AddTrapAtSample(const TrapPlacementContext& context, const SampleList& samples, int32_t index,
                     TrapLineType line_type, TrapList& traps);

}  // namespace kv
