// The comparison lap: which lap a lap is measured against.
#include "timing/lap_list.h"

namespace kv {

namespace {

// By the list's own selection; a lap is never compared with itself.
const Lap* OwnComparison(const LapList& list, int32_t selection, int32_t k) {
  if (selection == LapList::kSelectOptimal) return list.Optimal();
  if (selection >= 0) return list.FindLap(selection);
  if (list.BestIndex() >= 0 && list.BestIndex() != k) return list.Best();
  if (list.PreviousBestIndex() >= 0 && list.PreviousBestIndex() != k) return list.PreviousBest();
  return nullptr;
}

}  // namespace

const Lap* LapList::ComparisonLap(int32_t k) const {
  if (other_ != nullptr) return OwnComparison(*other_, other_->ComparisonSelection(), -1);
  return OwnComparison(*this, comparison_selection_, k);
}

const Lap* LapList::ReferenceLap() const {
  const Lap* reference = nullptr;
  if (other_ != nullptr) {
    const int32_t selection = other_->ComparisonSelection();
    reference = OwnComparison(*other_, selection == kSelectOptimal ? kSelectBest : selection, -1);
  } else {
    const int32_t selection = comparison_selection_ == kSelectOptimal ? kSelectBest : comparison_selection_;
    reference = OwnComparison(*this, selection, -1);
  }
  return reference != nullptr ? reference : SelectedLapPointer();
}

}  // namespace kv
