// PerfTestList, the test list of the performance screens: the twelve
// predefined tests first, in a fixed order, then the user's own tests (kept
// in "perftest.dat", see storage/perf_test_file.h).
//
// Speeds are m/s, distances metres. Main thread only.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/growable_array.h"
#include "core/perf_test.h"
#include "util/wide_string.h"

namespace kv {

// The check made when a test is saved: a name; a speed test with
// 0 <= start speed < finish speed; a distance test longer than 0. NaN
// values fail. InvalidPerfTestMessage() is what the editor then shows.
bool IsValidPerfTest(const PerfTest& test);
WideString InvalidPerfTestMessage();

class PerfTestList {
 public:
  static constexpr int32_t kPredefinedCount = 12;
  static constexpr int32_t kDefaultSelection = 6;  // "0-100 kph"

  // The predefined tests, "0-100 kph" selected.
  PerfTestList();

  int32_t Count() const { return tests_.Count(); }
  const PerfTest& At(int32_t index) const { return tests_[index]; }
  bool IsPredefined(int32_t index) const { return index >= 0 && index < kPredefinedCount; }
  // Index of the first test of that name (exact, case-sensitive); -1 when none.
  int32_t Find(std::u16string_view name) const;

  // Appends a user test (its flag cleared); returns its index.
  int32_t Add(PerfTest test);
  // Replaces a user test; false for a predefined one or an index outside.
  bool Replace(int32_t index, PerfTest test);
  // Removes a user test; false for a predefined one or an index outside.
  // A selection of the removed test falls back to kDefaultSelection.
  bool Remove(int32_t index);
  // The user's tests only (everything after the predefined ones).
  int32_t UserCount() const { return Count() - kPredefinedCount; }
  // Copies of the user's tests, in list order (what "perftest.dat" keeps).
  std::vector<PerfTest> UserTests() const;

  int32_t Selected() const { return selected_; }
  // Any index; -1 for none. A stale index is caught by SelectedTestMessage.
  void Select(int32_t index) { selected_ = index; }

 private:
  GrowableArray<PerfTest> tests_{16};
  int32_t selected_ = kDefaultSelection;
};

// What stops a performance session from starting: empty when the selected
// test exists; "Please select a performance test first." when none is
// selected; "The selected performance test was not found. ..." when the
// selection names no test of the list.
WideString SelectedTestMessage(const PerfTestList& list);
// The same check for a test chosen by name (empty name: none chosen).
WideString ChosenTestMessage(const PerfTestList& list, std::u16string_view name);

}  // namespace kv
