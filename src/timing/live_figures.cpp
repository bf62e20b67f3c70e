#include "timing/live_figures.h"

#include "util/duration_text.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {

namespace {

int32_t Minus(int32_t a, int32_t b) { return IsSet(a) && IsSet(b) ? a - b : kNotSet; }

// Index of a lap in the list it belongs to (this or the other session).
int32_t IndexOf(const LapList& laps, const Lap* lap) {
  if (lap == nullptr) return -1;
  const LapList& owner = laps.OtherSession() != nullptr ? *laps.OtherSession() : laps;
  if (lap == owner.Optimal()) return LapList::kSelectOptimal;
  for (int32_t i = 0; i < owner.LapCount(); ++i) {
    if (&owner.LapAt(i) == lap) return i;
  }
  return -1;
}

int32_t LapTimeOf(const LapList& laps, int32_t index) {
  const Lap* lap = laps.FindLap(index);
  return lap ? lap->LapTime() : kNotSet;
}

void SetPrevious(LiveFigures& f, const LapList& laps, int32_t first, int32_t second) {
  f.previous_lap[0] = first;
  f.previous_lap[1] = second;
  f.previous_time[0] = LapTimeOf(laps, first);
  f.previous_time[1] = LapTimeOf(laps, second);
}

// A finished lap as the last event (rules for L1 finished and for L2).
void ShowFinished(LiveFigures& f, const LapList& laps, int32_t index, int32_t older, int32_t now) {
  const Lap& lap = laps.LapAt(index);
  f.shown_lap = index;
  f.shown_time = lap.LapTime();
  SetPrevious(f, laps, index, older);
  const Lap* comparison = laps.ComparisonLap(index);
  f.shown_difference = comparison ? Minus(f.shown_time, comparison->LapTime()) : kNotSet;
  f.last_trap = lap.Finish()->trap_index;
  f.highlight = now - lap.Finish()->Time() < LiveFigures::kFinishHighlight;
}

}  // namespace

LiveFigures ComputeLiveFigures(const LapList& laps) {
  LiveFigures f;
  const SampleList& samples = laps.Samples();
  if (laps.LapCount() == 0 || samples.Empty()) return f;
  f.any = true;
  const int32_t now = samples[samples.Count() - 1].time;
  const int32_t l1 = laps.LastLapIndex(0);
  const int32_t l2 = laps.LastLapIndex(1);
  const int32_t l3 = laps.LastLapIndex(2);
  const Lap& last = laps.LapAt(l1);
  if (last.IsFinished()) {
    // A separate finish line, the next lap not started yet.
    ShowFinished(f, laps, l1, l2, now);
  } else if (last.SplitCount() > 0) {
    const LapMark& split = last.MarkAt(last.SplitCount() - 1);
    f.shown_lap = l1;
    f.shown_time = split.Time() - last.Start().Time();
    f.last_trap = split.trap_index;
    SetPrevious(f, laps, l2, l2);
    const Lap* comparison = laps.ComparisonLap(l1);
    f.shown_difference = comparison ? Minus(f.shown_time, comparison->SplitTime(split.trap_index)) : kNotSet;
    f.highlight = now - split.Time() < LiveFigures::kSplitHighlight;
  } else if (l2 >= 0 && laps.LapAt(l2).IsFinished()) {
    // A start/finish line was just crossed.
    ShowFinished(f, laps, l2, l3, now);
  }
  if (!last.IsFinished()) {
    f.current_lap = l1;
    f.current_time = last.TimeIntoLap(now);
    if (IsSet(f.current_time) && f.current_time < LiveFigures::kSplitHighlight) f.highlight = true;
    f.predicted_difference = laps.Predicted().Value();
  }
  const Lap* comparison = laps.ComparisonLap(-1);
  f.comparison_lap = IndexOf(laps, comparison);
  f.comparison_time = comparison ? comparison->LapTime() : kNotSet;
  const int32_t selection =
      laps.OtherSession() ? laps.OtherSession()->ComparisonSelection() : laps.ComparisonSelection();
  f.comparison_is_best = selection == LapList::kSelectBest;
  return f;
}

WideString LapSummaryText(const LapList& laps, int32_t decimals) {
  if (!HasStartLine(laps.Traps())) return Load(kStrStatusNoStartLine);
  if (!HasFinishLine(laps.Traps())) return Load(kStrStatusNoFinishLine);
  const Lap* best = laps.Best();
  if (best == nullptr) return Load(kStrNoCompletedLaps);
  const WideString time = FormatDuration(best->LapTime(), decimals, false, false);
  return FormatUN(kStrBestLapSummary, time.AsView(), laps.CompletedLaps());
}

}  // namespace kv
