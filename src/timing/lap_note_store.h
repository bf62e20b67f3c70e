// LapNoteStore: where lap notes live (the session header keeps them and
// writes them with the session). The lap engine only asks for the note of a
// lap and sets its invalid flag, which is how "Mark as invalid" survives a
// recompute: laps are rebuilt from scratch, notes are not.
// Main thread only.
#pragma once

#include <cstdint>

#include "util/wide_string.h"

namespace kv {

// A lap's extent, in both forms a store may key its notes by: sample
// indices (start mark's sample - 1 .. last sample) and those samples' times
// (ms of day).
struct LapWindow {
  int32_t first_sample = -1;
  int32_t last_sample = -1;
  int32_t first_time = 0;
  int32_t last_time = 0;
};

class LapNoteStore {
 public:
  virtual ~LapNoteStore() = default;
  // The invalid flag of the note belonging to the lap; false when the lap
  // has no note (a lap without a note is valid).
  virtual bool FindInvalidFlag(const LapWindow& lap, bool* invalid) const = 0;
  // Sets the flag in the lap's note, creating the note when there is none.
  virtual void SetInvalidFlag(const LapWindow& lap, bool invalid) = 0;
  // The note's text, empty when none.
  virtual WideString NoteText(const LapWindow& lap) const = 0;
};

}  // namespace kv
