// The figures of the live timer: the last event (a finished lap or the last
// split) with its difference to the comparison lap, the running lap, the
// comparison lap and the previous laps. Recomputed at each display refresh
// from the lap list. Lap indices are 0-based (screens add 1); times ms.
// Main thread only.
#pragma once

#include <cstdint>

#include "timing/lap_list.h"
#include "util/wide_string.h"

namespace kv {

struct LiveFigures {
  static constexpr int32_t kFinishHighlight = 20000;  // ms a finished lap stays highlighted
  static constexpr int32_t kSplitHighlight = 10000;   // ms for a split, and the first of a lap

  bool any = false;                  // at least one lap and one sample
  int32_t shown_lap = -1;            // the last event's lap
  int32_t shown_time = kNotSet;
  int32_t shown_difference = kNotSet;  // negative: faster than the comparison
  bool highlight = false;
  int32_t current_lap = -1;          // the running lap, -1 when the last lap is finished
  int32_t current_time = kNotSet;
  int32_t comparison_lap = -1;       // index in its own list; kSelectOptimal for the optimal lap
  int32_t comparison_time = kNotSet;
  bool comparison_is_best = true;    // label "Best" (selection -1), else "Comparison"
  int32_t previous_lap[2] = {-1, -1};
  int32_t previous_time[2] = {kNotSet, kNotSet};
  int32_t last_trap = -1;            // trap of the last mark; its name is the trap's
  int32_t predicted_difference = kNotSet;  // the running lap at the newest fix (PredictedDifference)
};

// "Now" is the newest sample's time (ms of day).
LiveFigures ComputeLiveFigures(const LapList& laps);

// The lap-time view's one-line summary: "Start line not defined", "Finish
// line not defined", "Best: %U (%N laps)" or "No completed laps yet".
// decimals 0..3 as the timer's setting.
WideString LapSummaryText(const LapList& laps, int32_t decimals);

}  // namespace kv
