// Session results of the lap list: best, previous best and the optimal lap.
#include "timing/lap_list.h"

namespace kv {

void LapList::ComputeResults() {
  // Best and previous best: the previous best is the best as it stood
  // before the current best was driven, not the second fastest lap.
  best_index_ = previous_best_index_ = -1;
  int32_t best_time = kNotSet;
  for (int32_t i = 0; i < LapCount(); ++i) {
    const Lap& lap = *laps_[static_cast<size_t>(i)];
    if (lap.IsInvalid() || !lap.IsFinished()) continue;
    const int32_t time = lap.LapTime();
    if (!IsSet(time)) continue;
    if (best_index_ < 0 || time < best_time) {
      previous_best_index_ = best_index_;
      best_index_ = i;
      best_time = time;
    }
  }
  const Lap* reference = ReferenceLap();
  // The optimal lap cannot define its own sectors; the best lap stands in.
  if (reference != nullptr && reference == optimal_.get()) reference = Best();
  optimal_.reset();
  if (reference != nullptr) BuildOptimal(*reference);
  // Only the running lap (and laps still to come) can change sector times.
  winners_dirty_from_ = LapCount() > 0 ? LapCount() - 1 : 0;
}

const Lap* LapList::SectorWinner(int32_t a, int32_t b) {
  const int64_t key = (static_cast<int64_t>(a) << 32) | static_cast<uint32_t>(b);
  auto [entry, is_new] = sector_winners_.try_emplace(key);
  SectorWinnerEntry& winner = entry->second;
  for (int32_t i = is_new ? 0 : winners_dirty_from_; i < LapCount(); ++i) {
    const Lap& lap = *laps_[static_cast<size_t>(i)];
    if (lap.IsInvalid()) continue;
    const int32_t time = lap.SectorTime(a, b);
    if (!IsSet(time)) continue;
    if (winner.lap < 0 || time < winner.time || (time == winner.time && i < winner.lap)) {
      winner.lap = i;
      winner.time = time;
    }
  }
  return FindLap(winner.lap);
}

bool LapList::BuildOptimal(const Lap& reference) {
  auto composite = std::make_unique<Lap>(samples_, true);
  for (int32_t k = 0; k < reference.MarkCount(); ++k) {
    const LapMark& reference_mark = reference.MarkAt(k);
    if (reference_mark.previous == nullptr) return false;
    const int32_t a = reference_mark.previous->trap_index;
    const int32_t b = reference_mark.trap_index;
    const Lap* winner = SectorWinner(a, b);
    // A sector no valid lap timed leaves the optimal lap undefined.
    if (winner == nullptr) return false;
    const LapMark* to = winner->MarkForTrap(b);
    const LapMark* from = to->previous;
    while (from != nullptr && from->trap_index != a) from = from->previous;
    if (composite->MarkCount() == 0 && composite->Start().trap_index < 0) composite->SetCompositeStart(*from);
    composite->AppendCompositeMark(*to, from, to == winner->Finish());
  }
  if (!composite->IsFinished()) return false;
  composite->Finalise(hi_lo_threshold_);
  optimal_ = std::move(composite);
  return true;
}

}  // namespace kv
