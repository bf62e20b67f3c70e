// HeaderNoteStore: the lap notes of a session header as the lap engine sees
// them, keyed by the middle of the lap's time window; flag 1 marks the lap
// invalid. The header saves them with the session. Main thread only.
#pragma once

#include <string_view>

#include "storage/session_header.h"
#include "timing/lap_note_store.h"

namespace kv {

class HeaderNoteStore final : public LapNoteStore {
 public:
  // The header must outlive the store.
  explicit HeaderNoteStore(SessionHeader& header) : header_(header) {}
  bool FindInvalidFlag(const LapWindow& lap, bool* invalid) const override;
  void SetInvalidFlag(const LapWindow& lap, bool invalid) override;
  WideString NoteText(const LapWindow& lap) const override;
  // Replaces the text of the lap's note (created when there is none).
  void SetText(const LapWindow& lap, std::u16string_view text);

 private:
  SessionHeader& header_;
};

}  // namespace kv
