#include "session/header_note_store.h"

namespace kv {

namespace {

int32_t Key(const LapWindow& lap) {
  return static_cast<int32_t>((static_cast<int64_t>(lap.first_time) + lap.last_time + 1) / 2);
}

}  // namespace

bool HeaderNoteStore::FindInvalidFlag(const LapWindow& lap, bool* invalid) const {
  const LapNote* note = header_.FindLapNote(lap.first_time, lap.last_time);
  if (note == nullptr) return false;
  *invalid = note->flag != 0;
  return true;
}

void HeaderNoteStore::SetInvalidFlag(const LapWindow& lap, bool invalid) {
  const LapNote* note = header_.FindLapNote(lap.first_time, lap.last_time);
  if (note != nullptr) {
    const WideString text = note->text;
    header_.SetLapNote(note->key, invalid ? 1 : 0, text);
  } else if (invalid) {
    header_.SetLapNote(Key(lap), 1, u"");
  }
}

WideString HeaderNoteStore::NoteText(const LapWindow& lap) const {
  const LapNote* note = header_.FindLapNote(lap.first_time, lap.last_time);
  return note != nullptr ? note->text : WideString();
}

void HeaderNoteStore::SetText(const LapWindow& lap, std::u16string_view text) {
  const LapNote* note = header_.FindLapNote(lap.first_time, lap.last_time);
  if (note != nullptr) {
    header_.SetLapNote(note->key, note->flag, text);
  } else if (!text.empty()) {
    header_.SetLapNote(Key(lap), 0, text);
  }
}

}  // namespace kv
