#include "timing/lap_list.h"

#include "util/errors.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {

LapList::LapList(const SampleList& samples, const TrapList& traps, const LapSettings& settings,
                 LapNoteStore* notes)
    : samples_(samples), traps_(traps), settings_(settings), notes_(notes) {
  Reset();
}

LapList::~LapList() = default;

void LapList::Reset() {
  // The optimal lap links into the laps: it goes first.
  optimal_.reset();
  laps_.clear();
  ForgetSectorWinners();
  next_crossing_ = 0;
  selected_lap_ = 0;
  comparison_selection_ = kSelectBest;
  selected_trap_ = -1;
  best_index_ = previous_best_index_ = -1;
  selected_extreme_ = 0;
  hi_lo_threshold_ = MetresPerSecondToStored(settings_.hi_lo_threshold_mps);
  last_finished_ = FinishedLap{};
  predicted_.Reset();
}

bool LapList::ConsumeCrossings(const CrossingList& crossings, bool live) {
  bool finished_any = false;
  for (; next_crossing_ < crossings.Count(); ++next_crossing_) {
    const TrapCrossing& c = crossings[next_crossing_];
    if (c.trap_index < 0 || c.trap_index >= traps_.Count()) continue;
    const TrapLineType type = traps_[c.trap_index].line_type;
    const int32_t gap = c.sample_interval;
    if (!laps_.empty()) {
      Lap& lap = *laps_.back();
      // Time must move forward: a receiver restart or a spliced log can jump
      // back, and a lap measured across that would come out negative.
      const bool later = c.crossing_sample.time > lap.LastMark().Time();
      if ((type == kTrapFinish || type == kTrapStartFinish) && gap > 0 && gap <= kMaxStartFinishGap &&
          !lap.IsFinished() && later) {
        lap.SetFinish(c);
        lap.Finalise(hi_lo_threshold_);
        if (live) {
          ComputeResults();
          const Lap* comparison = ComparisonLap(LapCount() - 1);
          last_finished_ = {LapCount() - 1, lap.LapTime(), comparison ? comparison->LapTime() : kNotSet};
        }
        finished_any = true;
      } else if (type == kTrapSplit && (c.crossing_sample.flags & LogSample::kLoadedWithoutSatellites) == 0 &&
                 gap > 0 && gap <= kMaxSplitGap && !lap.IsFinished() && later &&
                 !lap.HasMarkForTrap(c.trap_index)) {
        lap.AppendSplit(c);
        if (live) {
          lap.Finalise(hi_lo_threshold_);
          ComputeResults();
        }
      }
    }
    if ((type == kTrapStart || type == kTrapStartFinish) && gap > 0 && gap <= kMaxStartFinishGap) {
      auto lap = std::make_unique<Lap>(samples_, false);
      lap->SetStart(c);
      laps_.push_back(std::move(lap));
    }
  }
  if (finished_any && !live) {
    RestoreInvalidFlags();
    ComputeResults();
  }
  return finished_any;
}

void LapList::Recompute(CrossingList& crossings) {
  RecomputeCrossings(samples_, traps_, crossings);
  Reset();
  ConsumeCrossings(crossings, false);
}

bool LapList::LiveStep(CrossingList& crossings) {
  UpdateCrossingsLive(samples_, traps_, crossings);
  const bool finished = ConsumeCrossings(crossings, true);
  const int32_t last = LastLapIndex();
  const Lap* running = last >= 0 && !LapAt(last).IsFinished() ? &LapAt(last) : nullptr;
  predicted_.Update(running, running != nullptr ? ComparisonLap(last) : nullptr);
  return finished;
}

void LapList::RestoreInvalidFlags() {
  if (notes_ == nullptr) return;
  ForgetSectorWinners();
  for (auto& lap : laps_) {
    bool invalid = false;
    lap->SetInvalid(notes_->FindInvalidFlag(lap->Window(), &invalid) && invalid);
  }
}

const Lap& LapList::LapAt(int32_t index) const {
  if (index < 0 || index >= LapCount()) ReportProgrammingError(kBadArrayIndex);
  return *laps_[static_cast<size_t>(index)];
}

const Lap* LapList::FindLap(int32_t index) const {
  if (index < 0 || index >= LapCount()) return nullptr;
  return laps_[static_cast<size_t>(index)].get();
}

int32_t LapList::CompletedLaps() const {
  if (laps_.empty()) return 0;
  return LapCount() - (laps_.back()->IsFinished() ? 0 : 1);
}

int32_t LapList::LastLapIndex(int32_t back) const {
  const int32_t index = LapCount() - 1 - back;
  return index >= 0 ? index : -1;
}

void LapList::SetInvalid(int32_t index, bool invalid) {
  if (index < 0 || index >= LapCount()) ReportProgrammingError(kBadArrayIndex);
  Lap& lap = *laps_[static_cast<size_t>(index)];
  lap.SetInvalid(invalid);
  ForgetSectorWinners();
  if (notes_ != nullptr) notes_->SetInvalidFlag(lap.Window(), invalid);
  ComputeResults();
}

WideString LapList::NoteText(int32_t row_content) const {
  if (row_content == kSelectOptimal) return Load(kStrOptimalLapNotes);
  const Lap* lap = FindLap(row_content);
  if (lap == nullptr || notes_ == nullptr) return WideString();
  return notes_->NoteText(lap->Window());
}

const Lap* LapList::SelectedLapPointer() const {
  if (selected_lap_ == kSelectOptimal) return optimal_.get();
  return FindLap(selected_lap_);
}

std::vector<int32_t> LapList::TableRows() const {
  std::vector<int32_t> rows;
  if (optimal_) rows.push_back(kSelectOptimal);
  for (int32_t i = 0; i < LapCount(); ++i) {
    if (settings_.hide_invalid_laps && laps_[static_cast<size_t>(i)]->IsInvalid()) continue;
    rows.push_back(i);
  }
  return rows;
}

void LapList::SelectRow(int32_t row) {
  const std::vector<int32_t> rows = TableRows();
  if (row >= 0 && row < static_cast<int32_t>(rows.size())) selected_lap_ = rows[static_cast<size_t>(row)];
}

void LapList::SelectNextTrap() {
  const Lap* reference = ReferenceLap();
  if (reference != nullptr) selected_trap_ = reference->NextTrap(selected_trap_);
}

void LapList::SelectPreviousTrap() {
  const Lap* reference = ReferenceLap();
  if (reference != nullptr) selected_trap_ = reference->PreviousTrap(selected_trap_);
}

int32_t LapList::SelectedTrapRow() const {
  const Lap* reference = ReferenceLap();
  return reference == nullptr ? -1 : reference->MarkPosition(selected_trap_);
}

void LapList::SelectNextExtreme() {
  const Lap* lap = SelectedLapPointer();
  const auto count = lap ? static_cast<int32_t>(lap->Extremes().size()) : 0;
  if (count > 0) selected_extreme_ = selected_extreme_ + 1 >= count ? 0 : selected_extreme_ + 1;
}

void LapList::SelectPreviousExtreme() {
  const Lap* lap = SelectedLapPointer();
  const auto count = lap ? static_cast<int32_t>(lap->Extremes().size()) : 0;
  if (count > 0) selected_extreme_ = selected_extreme_ <= 0 ? count - 1 : selected_extreme_ - 1;
}

int32_t LapList::NearestExtreme(IntPoint tap) const {
  const Lap* lap = SelectedLapPointer();
  if (lap == nullptr) return -1;
  int32_t nearest = -1;
  int32_t nearest_distance = 0;
  const auto& extremes = lap->Extremes();
  for (size_t e = 0; e < extremes.size(); ++e) {
    const int32_t d = ScreenDistanceSquared(samples_[extremes[e].sample_index].position, tap);
    if (nearest < 0 || d < nearest_distance) {
      nearest = static_cast<int32_t>(e);
      nearest_distance = d;
    }
  }
  return nearest;
}

}  // namespace kv
