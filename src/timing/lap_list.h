// LapList: the laps of one session and the session-wide results on top of
// them. It consumes the session's crossing list in order (live, one sample
// at a time, or all at once after a recompute): a start line opens a lap,
// split lines add marks to the running lap, a finish line closes it, and a
// start/finish line does both with one crossing.
//
// It also keeps best and previous best lap, the optimal lap, the result
// screens' selections, the comparison selection and, live, the running
// lap's predicted difference. The sample list, the trap list, the settings
// and the note store are the session's and must outlive the list. Main
// thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "timing/crossings.h"
#include "timing/lap.h"
#include "timing/lap_note_store.h"
#include "timing/predicted_difference.h"

namespace kv {

// What the lap engine reads from the settings.
struct LapSettings {
  int32_t hi_lo_threshold_mps = 5;  // "Hi/Lo speed threshold": 1, 2, 5, 10, 15 or 20
  bool hide_invalid_laps = false;   // "Hide invalid laps"
};

// A lap finished in a live session, for the announcement and timer text.
struct FinishedLap {
  int32_t lap_index = -1;
  int32_t lap_time = kNotSet;         // ms
  int32_t comparison_time = kNotSet;  // ms, of its comparison lap
};

class LapList {
 public:
  // Crossings interpolated over a longer gap are not trusted.
  static constexpr int32_t kMaxStartFinishGap = 3000;  // ms
  static constexpr int32_t kMaxSplitGap = 2000;        // ms
  // Selections.
  static constexpr int32_t kNone = -1;
  static constexpr int32_t kSelectBest = -1;
  static constexpr int32_t kSelectOptimal = -2;

  LapList(const SampleList& samples, const TrapList& traps, const LapSettings& settings,
          LapNoteStore* notes);
  ~LapList();
  LapList(const LapList&) = delete;
  LapList& operator=(const LapList&) = delete;

  // --- The engine.
  // Processes the crossings from the next unconsumed one on; true when a
  // lap was finished.
  bool ConsumeCrossings(const CrossingList& crossings, bool live);
  // Destroys all laps, rewinds to the first crossing, reloads the threshold.
  void Reset();
  // Rebuilds crossings and laps from the whole sample list.
  void Recompute(CrossingList& crossings);
  // After a sample was appended in a live "Lap timing" session.
  bool LiveStep(CrossingList& crossings);
  // The last lap finished by a live step (lap_index -1 before any).
  const FinishedLap& LastFinished() const { return last_finished_; }
  // The running lap against its comparison lap as of the last live step.
  const PredictedDifference& Predicted() const { return predicted_; }

  // --- Laps.
  int32_t LapCount() const { return static_cast<int32_t>(laps_.size()); }
  const Lap& LapAt(int32_t index) const;
  // nullptr when the index is outside the list.
  const Lap* FindLap(int32_t index) const;
  int32_t CompletedLaps() const;
  // Index of the last, second-to-last, third-to-last lap; -1 when too few.
  int32_t LastLapIndex(int32_t back = 0) const;
  void SetInvalid(int32_t index, bool invalid);
  bool IsInvalid(int32_t index) const { return LapAt(index).IsInvalid(); }
  // The note of a table row's lap (kSelectOptimal: "Notes for the optimal lap").
  WideString NoteText(int32_t row_content) const;

  // --- Results (lap_results.cpp).
  int32_t BestIndex() const { return best_index_; }
  int32_t PreviousBestIndex() const { return previous_best_index_; }
  const Lap* Best() const { return FindLap(best_index_); }
  const Lap* PreviousBest() const { return FindLap(previous_best_index_); }
  const Lap* Optimal() const { return optimal_.get(); }
  AngleValue HiLoThreshold() const { return hi_lo_threshold_; }
  // Best, previous best and the optimal lap, in that order.
  void ComputeResults();

  // --- Comparison (comparison.cpp).
  int32_t ComparisonSelection() const { return comparison_selection_; }
  void SetComparisonSelection(int32_t selection) { comparison_selection_ = selection; }
  // Another session's list to compare with, or nullptr; not owned.
  void SetOtherSession(const LapList* other) { other_ = other; }
  const LapList* OtherSession() const { return other_; }
  // The lap that lap k is compared with (k = -1: no exclusion); nullptr when none.
  const Lap* ComparisonLap(int32_t k) const;
  // The lap whose marks define the sectors: the comparison lap (optimal
  // selection counting as best), else the selected lap.
  const Lap* ReferenceLap() const;

  // --- Selections of the result screens.
  int32_t SelectedLap() const { return selected_lap_; }  // -1 none, -2 optimal
  void SetSelectedLap(int32_t index) { selected_lap_ = index; }
  const Lap* SelectedLapPointer() const;
  int32_t SelectedTrap() const { return selected_trap_; }
  void SetSelectedTrap(int32_t trap) { selected_trap_ = trap; }
  void SelectNextTrap();
  void SelectPreviousTrap();
  // Position of the selected trap's mark in the reference lap, -1 when none.
  int32_t SelectedTrapRow() const;
  int32_t SelectedExtreme() const { return selected_extreme_; }
  void SelectNextExtreme();
  void SelectPreviousExtreme();
  // The extreme of the selected lap nearest the tapped point; -1 when none.
  int32_t NearestExtreme(IntPoint tap) const;
  void SetSelectedExtreme(int32_t index) { selected_extreme_ = index; }

  // --- Lap table rows: the optimal lap first when it exists, then the laps
  // in order, invalid ones left out with "Hide invalid laps".
  // Row content: kSelectOptimal or a lap index.
  std::vector<int32_t> TableRows() const;
  void SelectRow(int32_t row);

  const LapSettings& Settings() const { return settings_; }
  const TrapList& Traps() const { return traps_; }
  const SampleList& Samples() const { return samples_; }

 private:
  void RestoreInvalidFlags();
  bool BuildOptimal(const Lap& reference);
  // The fastest valid lap over the sector a -> b (ties: the earlier lap).
  const Lap* SectorWinner(int32_t a, int32_t b);
  void ForgetSectorWinners() { sector_winners_.clear(); }

  const SampleList& samples_;
  const TrapList& traps_;
  const LapSettings& settings_;
  LapNoteStore* notes_;
  const LapList* other_ = nullptr;
  int32_t next_crossing_ = 0;
  std::vector<std::unique_ptr<Lap>> laps_;
  int32_t selected_lap_ = 0;
  int32_t comparison_selection_ = kSelectBest;
  int32_t selected_trap_ = -1;
  int32_t selected_extreme_ = 0;
  std::unique_ptr<Lap> optimal_;
  int32_t best_index_ = -1;
  int32_t previous_best_index_ = -1;
  AngleValue hi_lo_threshold_ = kNotSet;
  FinishedLap last_finished_;
  PredictedDifference predicted_;

  // Sector winners carried between result computations. Laps only ever
  // gain marks, so a winner stays a winner until a later lap beats it;
  // only the laps from `winners_dirty_from_` on need a look. Anything else
  // that changes sector times (invalid flags, a reset) forgets them all.
  struct SectorWinnerEntry {
    int32_t lap = -1;
    int32_t time = kNotSet;
  };
  std::unordered_map<int64_t, SectorWinnerEntry> sector_winners_;
  int32_t winners_dirty_from_ = 0;
};

}  // namespace kv
